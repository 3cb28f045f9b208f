// Loading a command list file of arbitrary bytes, and saving what was loaded.
#include "automation/listfile.h"
#include "fuzz.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// In memory where the system offers it: saving syncs the file to disk.
const QTemporaryDir &workDir() {
    static const QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                       ? QStringLiteral("/dev/shm/t3208-fuzz-XXXXXX")
                                       : QDir::tempPath() + QStringLiteral("/t3208-fuzz-XXXXXX"));
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    FUZZ_CHECK(workDir().isValid());
    const QString path = workDir().filePath(QStringLiteral("list.txt"));
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(f.write(bytes) == bytes.size());
    }
    QString error;
    const QStringList lines = CommSetting::LoadListFile(path, &error);
    FUZZ_CHECK(error.isEmpty());
    FUZZ_CHECK(lines == ListFile::decode(bytes));
    for (const QString &l : lines)
        FUZZ_CHECK(!l.contains(u'\r'));

    // Saved and loaded again: the non-empty lines, in order, as the codec gives them.
    const QString saved = workDir().filePath(QStringLiteral("saved.txt"));
    FUZZ_CHECK(ListFile::save(saved, lines, &error));
    const QByteArray encoded = ListFile::encode(lines);
    FUZZ_CHECK(CommSetting::FileExists(saved) == !encoded.isEmpty());
    FUZZ_CHECK(CommSetting::LoadListFile(saved, &error) == ListFile::decode(encoded));
    QFile::remove(saved);
    return 0;
}
