// Fuzzes the INI reader and writer: the input is loaded as a file, its values are read, a
// script from the input's last bytes sets keys, and the file is saved and read again. Besides
// the sanitizers, it aborts when a value that was set does not read back, when a key that was
// not set changes, or when a save into a writable folder fails.
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzWorkFolder.h"
#include "services/ini/IniFile.h"

namespace {

const QString kSections[] = {QStringLiteral("常规"), QStringLiteral("STRING"), QStringLiteral("Resize"),
                             QStringLiteral("a"), QStringLiteral("A")};
const QString kKeys[] = {QStringLiteral("template"), QStringLiteral("ScaleType"), QStringLiteral("Width"),
                         QStringLiteral("k"),        QStringLiteral("K"),         QStringLiteral("x=y"),
                         QStringLiteral("[k")};
constexpr int kSectionCount = int(sizeof(kSections) / sizeof(kSections[0]));
constexpr int kKeyCount = int(sizeof(kKeys) / sizeof(kKeys[0]));

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// Values that read back as written: no blanks at either end, not wrapped in quotes.
bool ReadsBackAsWritten(const QString& value)
{
    if (value != value.trimmed())
        return false;
    return !(value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
             value.back() == value.front());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = FuzzWorkFolder().filePath(QStringLiteral("fuzz.ini"));
    {
        QFile file(path);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }

    IniFile ini(path);
    Check(ini.load());
    // What every name pair reads before the edits.
    QString before[kSectionCount][kKeyCount];
    bool present[kSectionCount][kKeyCount];
    for (int s = 0; s < kSectionCount; ++s) {
        for (int k = 0; k < kKeyCount; ++k) {
            present[s][k] = ini.contains(kSections[s], kKeys[k]);
            before[s][k] = ini.value(kSections[s], kKeys[k]);
            ini.intValue(kSections[s], kKeys[k], 7);
        }
    }

    // Up to four edits, their bytes read from the end of the input.
    bool touched[kSectionCount][kKeyCount] = {};
    QString expected[kSectionCount][kKeyCount];
    std::size_t left = size;
    const auto next = [&]() -> std::uint8_t { return left > 0 ? data[--left] : 0; };
    for (int edit = 0; edit < 4 && left >= 3; ++edit) {
        const int s = next() % kSectionCount;
        const int k = next() % kKeyCount;
        QByteArray bytes;
        const int length = next() % 12;
        for (int i = 0; i < length; ++i)
            bytes.append(char(next()));
        const QString value = QString::fromUtf8(bytes);
        if (!ini.setValue(kSections[s], kKeys[k], value))
            continue;
        // Sections and keys match without regard to case: mark every alias.
        for (int s2 = 0; s2 < kSectionCount; ++s2) {
            for (int k2 = 0; k2 < kKeyCount; ++k2) {
                if (kSections[s2].compare(kSections[s], Qt::CaseInsensitive) == 0 &&
                    kKeys[k2].compare(kKeys[k], Qt::CaseInsensitive) == 0) {
                    touched[s2][k2] = true;
                    expected[s2][k2] = ReadsBackAsWritten(value) ? value : QString();
                }
            }
        }
    }
    Check(ini.save());

    IniFile again(path);
    Check(again.load());
    for (int s = 0; s < kSectionCount; ++s) {
        for (int k = 0; k < kKeyCount; ++k) {
            if (touched[s][k]) {
                Check(again.contains(kSections[s], kKeys[k]));
                if (!expected[s][k].isEmpty())
                    Check(again.value(kSections[s], kKeys[k]) == expected[s][k]);
            } else {
                Check(again.contains(kSections[s], kKeys[k]) == present[s][k]);
                Check(again.value(kSections[s], kKeys[k]) == before[s][k]);
            }
        }
    }
    return 0;
}
