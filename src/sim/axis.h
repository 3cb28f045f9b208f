#pragma once
// The simulated motor axis: positions, speed and the switches along the axis,
// moved in real time by advance(). All speeds are pulses per second, all
// accelerations pulses per second squared, all positions pulses.
//
// Positions: the axis position is where the carriage physically stands; the
// switches are placed in that coordinate. It is 0 at power-up, like both
// counters. The absolute and the relative position are two counters that move
// with every pulse and are cleared independently (0x38, 0x3A, homing); clearing
// them does not move the switches.
//
// Motion profile (trapezoidal, recomputed every millisecond from the profile as
// it stands, so profile writes take effect at once):
// - a motion starts at the initial speed (or at its target speed when that is
//   lower), accelerates at the acceleration towards its target speed and never
//   runs slower than 1 pulse/s while it lasts;
// - a position move's target speed is the maximum speed; it brakes at the
//   deceleration so that it arrives at the end speed and stops exactly on its
//   target;
// - a constant-speed run's target speed is the commanded one; a change of speed
//   (0x35, 0x45, 0x46, 0x44) ramps to the new target at the acceleration or the
//   deceleration;
// - a decelerating stop brakes at the deceleration and stops when the speed
//   has come down to the end speed;
// - homing runs at the homing speed until it meets the origin switch, where it
//   stops at once and clears both counters; at a limit switch in its direction
//   it turns back (restarting at the initial speed) and goes on searching;
// - every speed target is capped at the maximum speed; the speed factor scales
//   the target speed of moves and runs (not homing) by factor / 500;
// - an acceleration or deceleration of 0 changes the speed at once.
// Switches: the left limit is active at or below its position, the right limit
// at or above its position (each only when placed), the origin switch exactly
// at its position. Motion towards an active limit stops at once at the limit;
// motion away from it is free.
#include <QtGlobal>

#include <optional>

namespace Sim {

// The six values of the motion profile, as the controller stores them.
struct Profile {
    quint32 initialSpeed = 100;
    quint32 maxSpeed = 10000;
    quint32 endSpeed = 1000;
    quint32 acceleration = 10000;
    quint32 deceleration = 10000;
    quint32 homingSpeed = 10000;
};

// The speed factor that leaves speeds as commanded.
constexpr qint32 kUnitSpeedFactor = 500;

class Axis {
public:
    enum class Mode { Idle, Move, Run, Homing, Stopping };

    // Reads the profile (owned by the caller) afresh on every step.
    explicit Axis(const Profile *profile);

    // Starts a position move of `pulses` from where the axis stands (the sign
    // is the direction). A move of 0, or one into an active limit, does not
    // start. Meant for an idle axis; a running motion is replaced.
    void startMove(qint64 pulses);
    // Starts a constant-speed run in `direction` (+1 or -1). Speed 0 does not
    // start a run.
    void startRun(int direction, quint64 speed);
    // Starts the origin search in `direction` (+1 or -1).
    void startHoming(int direction);

    // A new target speed for a constant-speed run (0 brakes to a stop); no
    // effect on other motions.
    void changeRunSpeed(quint64 speed);
    // Raises (positive) or lowers (negative) the target speed of the current
    // move or run by `delta`, kept within 1 .. maximum speed; no effect when
    // idle, homing or stopping.
    void shiftTargetSpeed(qint64 delta);
    void setSpeedFactor(qint32 factor);
    qint32 speedFactor() const { return m_factor; }

    // Stops at once: speed 0, the motion is dropped.
    void stopNow();
    // Brakes at the deceleration down to the end speed, then stops.
    void decelerateToStop();

    void clearAbsolute() { m_absolute = 0; }
    void clearRelative() { m_relative = 0; }

    // Switch positions (axis coordinate). nullopt removes a limit switch.
    void setLeftLimit(std::optional<qint64> position) { m_leftLimit = position; }
    void setRightLimit(std::optional<qint64> position) { m_rightLimit = position; }
    void setOrigin(qint64 position) { m_origin = position; }
    std::optional<qint64> leftLimit() const { return m_leftLimit; }
    std::optional<qint64> rightLimit() const { return m_rightLimit; }
    qint64 origin() const { return m_origin; }

    bool leftLimitActive() const;
    bool rightLimitActive() const;
    bool originActive() const { return m_axis == m_origin; }

    // Moves the time on by `ms` milliseconds (stepped in 1 ms slices).
    void advance(qint64 ms);

    Mode mode() const { return m_mode; }
    bool moving() const { return m_mode != Mode::Idle; }
    int direction() const { return m_direction; }
    // The current speed rounded to whole pulses per second; 0 when idle.
    quint32 speed() const;
    double exactSpeed() const { return m_speed; }
    // The counters as the controller reports them: the low 32 bits, signed.
    qint32 absolute() const { return qint32(quint32(quint64(m_absolute))); }
    qint32 relative() const { return qint32(quint32(quint64(m_relative))); }
    qint64 axisPosition() const { return m_axis; }
    // Pulses a position move still has to go; 0 otherwise.
    qint64 remaining() const { return m_mode == Mode::Move ? m_remaining : 0; }

private:
    void step(double seconds);
    double targetSpeed() const;
    double startSpeed(double target) const;
    void begin(Mode mode, int direction, double base);
    void halt();
    // Pulses until the limit in the motion's direction becomes active;
    // nullopt when no limit lies that way.
    std::optional<qint64> roomToLimit() const;

    const Profile *m_profile;
    Mode m_mode = Mode::Idle;
    int m_direction = 1;
    double m_speed = 0;
    double m_base = 0;      // unscaled target speed of a move or run
    double m_fraction = 0;  // fraction of a pulse already travelled
    bool m_braking = false; // a move has begun braking for its target
    qint64 m_remaining = 0;
    qint64 m_axis = 0;
    qint64 m_absolute = 0;
    qint64 m_relative = 0;
    qint32 m_factor = kUnitSpeedFactor;
    std::optional<qint64> m_leftLimit;
    std::optional<qint64> m_rightLimit;
    qint64 m_origin = 0;
};

} // namespace Sim
