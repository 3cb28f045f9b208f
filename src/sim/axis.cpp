#include "sim/axis.h"

#include <algorithm>
#include <cmath>

namespace Sim {

namespace {

// The slowest a running motor goes.
constexpr double kCreepSpeed = 1.0;

} // namespace

Axis::Axis(const Profile *profile) : m_profile(profile) {}

bool Axis::leftLimitActive() const {
    return m_leftLimit && m_axis <= *m_leftLimit;
}

bool Axis::rightLimitActive() const {
    return m_rightLimit && m_axis >= *m_rightLimit;
}

std::optional<qint64> Axis::roomToLimit() const {
    if (m_direction > 0 && m_rightLimit)
        return *m_rightLimit - m_axis;
    if (m_direction < 0 && m_leftLimit)
        return m_axis - *m_leftLimit;
    return std::nullopt;
}

double Axis::targetSpeed() const {
    const double top = std::max(kCreepSpeed, double(m_profile->maxSpeed));
    switch (m_mode) {
    case Mode::Move:
    case Mode::Run:
        return std::min(top, m_base * double(m_factor) / double(kUnitSpeedFactor));
    case Mode::Homing:
        return std::min(top, std::max(kCreepSpeed, double(m_profile->homingSpeed)));
    case Mode::Idle:
    case Mode::Stopping:
        break;
    }
    return 0;
}

double Axis::startSpeed(double target) const {
    return std::max(kCreepSpeed, std::min(double(m_profile->initialSpeed), target));
}

void Axis::begin(Mode mode, int direction, double base) {
    m_mode = mode;
    m_direction = direction;
    m_base = base;
    m_fraction = 0;
    m_braking = false;
    m_speed = startSpeed(targetSpeed());
}

void Axis::halt() {
    m_mode = Mode::Idle;
    m_speed = 0;
    m_fraction = 0;
    m_remaining = 0;
}

void Axis::startMove(qint64 pulses) {
    if (pulses == 0)
        return;
    const int direction = pulses > 0 ? 1 : -1;
    m_direction = direction;
    if (const auto room = roomToLimit(); room && *room <= 0) {
        halt();
        return;
    }
    m_remaining = pulses > 0 ? pulses : -pulses;
    begin(Mode::Move, direction, double(std::max<quint32>(1, m_profile->maxSpeed)));
}

void Axis::startRun(int direction, quint64 speed) {
    if (speed == 0)
        return;
    m_direction = direction;
    if (const auto room = roomToLimit(); room && *room <= 0) {
        halt();
        return;
    }
    m_remaining = 0;
    const double top = double(std::max<quint32>(1, m_profile->maxSpeed));
    begin(Mode::Run, direction, std::min(double(speed), top));
}

void Axis::startHoming(int direction) {
    m_remaining = 0;
    begin(Mode::Homing, direction, 0);
}

void Axis::changeRunSpeed(quint64 speed) {
    if (m_mode != Mode::Run)
        return;
    if (speed == 0) {
        decelerateToStop();
        return;
    }
    m_base = std::min(double(speed), double(std::max<quint32>(1, m_profile->maxSpeed)));
}

void Axis::shiftTargetSpeed(qint64 delta) {
    if (m_mode != Mode::Move && m_mode != Mode::Run)
        return;
    const double top = double(std::max<quint32>(1, m_profile->maxSpeed));
    m_base = std::clamp(m_base + double(delta), kCreepSpeed, top);
}

void Axis::setSpeedFactor(qint32 factor) {
    m_factor = factor;
}

void Axis::stopNow() {
    halt();
}

void Axis::decelerateToStop() {
    if (m_mode == Mode::Idle)
        return;
    if (m_profile->deceleration == 0 || m_speed <= double(m_profile->endSpeed)) {
        halt();
        return;
    }
    m_mode = Mode::Stopping;
    m_remaining = 0;
}

quint32 Axis::speed() const {
    if (m_mode == Mode::Idle)
        return 0;
    return quint32(std::llround(m_speed));
}

void Axis::advance(qint64 ms) {
    for (qint64 i = 0; i < ms && m_mode != Mode::Idle; ++i)
        step(0.001);
}

void Axis::step(double dt) {
    const double acc = double(m_profile->acceleration);
    const double dec = double(m_profile->deceleration);
    auto rampTo = [&](double target) {
        if (m_speed < target)
            m_speed = acc > 0 ? std::min(target, m_speed + acc * dt) : target;
        else if (m_speed > target)
            m_speed = dec > 0 ? std::max(target, m_speed - dec * dt) : target;
    };

    bool stopAfter = false;
    switch (m_mode) {
    case Mode::Idle:
        return;
    case Mode::Move: {
        const double target = std::max(kCreepSpeed, targetSpeed());
        const double arrival = std::min(double(m_profile->endSpeed), target);
        const double left = double(m_remaining) - m_fraction;
        const double braking = (dec > 0 && m_speed > arrival)
                                   ? (m_speed * m_speed - arrival * arrival) / (2 * dec)
                                   : 0.0;
        // Once braking for the target has begun it goes on to the end.
        if (dec > 0 && (m_braking || left <= braking)) {
            m_braking = true;
            m_speed = std::max(arrival, m_speed - dec * dt);
        } else
            rampTo(target);
        break;
    }
    case Mode::Run:
    case Mode::Homing:
        rampTo(targetSpeed());
        break;
    case Mode::Stopping: {
        const double end = double(m_profile->endSpeed);
        m_speed = dec > 0 ? std::max(end, m_speed - dec * dt) : end;
        stopAfter = m_speed <= end;
        break;
    }
    }
    m_speed = std::max(m_speed, kCreepSpeed);

    // Travel this slice, cut short by the target, a limit or (homing) the origin.
    m_fraction += m_speed * dt;
    qint64 pulses = qint64(std::floor(m_fraction));
    if (m_mode == Mode::Move)
        pulses = std::min(pulses, m_remaining);
    bool atLimit = false;
    if (const auto room = roomToLimit(); room && *room <= pulses) {
        pulses = std::max<qint64>(0, *room);
        atLimit = true;
    }
    bool atOrigin = false;
    if (m_mode == Mode::Homing) {
        const qint64 toOrigin = (m_origin - m_axis) * m_direction;
        if (toOrigin >= 0 && toOrigin <= pulses) {
            pulses = toOrigin;
            atOrigin = true;
        }
    }
    const qint64 delta = pulses * m_direction;
    m_axis += delta;
    m_absolute += delta;
    m_relative += delta;
    m_fraction -= double(pulses);
    if (m_mode == Mode::Move)
        m_remaining -= pulses;

    if (atOrigin) {
        halt();
        m_absolute = 0;
        m_relative = 0;
    } else if (m_mode == Mode::Move && m_remaining == 0) {
        halt();
    } else if (atLimit) {
        if (m_mode == Mode::Homing)
            begin(Mode::Homing, -m_direction, 0);
        else
            halt();
    } else if (stopAfter) {
        halt();
    }
}

} // namespace Sim
