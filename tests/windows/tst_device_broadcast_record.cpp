#include <QtTest>

#include <cstdint>
#include <vector>

#include "DeviceBroadcastRecord.h"

using capture::DeviceBroadcastKind;

namespace {

void putLe32(std::vector<unsigned char> &bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A DEV_BROADCAST_DEVICEINTERFACE_W as the system lays it out (size, type, reserved, class GUID,
// then the UTF-16LE name), followed by bytes that are readable but not the record's: a low
// surrogate and an "X". `stated` overrides the size field; 0 means the true size.
std::vector<unsigned char> record(const QString &name, std::uint32_t type, bool terminated,
                                  std::uint32_t stated) {
    std::vector<unsigned char> bytes(28 + 2 * (name.size() + (terminated ? 1 : 0)), 0);
    putLe32(bytes, 0, stated ? stated : static_cast<std::uint32_t>(bytes.size()));
    putLe32(bytes, 4, type);
    for (int i = 0; i < name.size(); ++i) {
        bytes[28 + 2 * i] = static_cast<unsigned char>(name[i].unicode() & 0xFF);
        bytes[28 + 2 * i + 1] = static_cast<unsigned char>(name[i].unicode() >> 8);
    }
    bytes.insert(bytes.end(), {0x00, 0xDC, 'X', 0, 0, 0});
    return bytes;
}

const QString kName = QStringLiteral("\\\\?\\USB#VID_ABCD&PID_12EF#5&2&0&1#{65e8773d}\\global");

}  // namespace

class TestDeviceBroadcastRecord : public QObject {
    Q_OBJECT
private slots:
    // Only arrivals and complete removals of device interfaces count. The name ends at the NUL, at
    // the size the record states or at the readable size, whichever comes first.
    void parsesWithinTheRecord_data() {
        QTest::addColumn<quint64>("wParam");
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("terminated");
        QTest::addColumn<quint32>("stated");   // 0: the true size
        QTest::addColumn<int>("readable");     // -1: the whole buffer
        QTest::addColumn<QByteArray>("utf8");  // null: no event
        auto row = [](const char *tag, quint64 wParam, quint32 type, const QString &name,
                      bool terminated, quint32 stated, int readable, const QByteArray &utf8) {
            QTest::newRow(tag) << wParam << type << name << terminated << stated << readable
                               << utf8;
        };
        const quint64 removal = 0x8004;
        row("arrival", 0x8000, 5, kName, true, 0, -1, kName.toUtf8());
        row("remove pending", 0x8003, 5, kName, true, 0, -1, QByteArray());
        row("volume record", 0x8000, 2, kName, true, 0, -1, QByteArray());
        row("unterminated", removal, 5, "abc", false, 0, -1, "abc");
        row("stated size cuts", removal, 5, "abcdef", true, 28 + 6, -1, "abc");
        row("readable size cuts", removal, 5, "abcdef", true, 0, 28 + 5, "ab");
        row("no room for a name", removal, 5, kName, true, 0, 28, "");
        row("name offset not reached", removal, 5, kName, true, 0, 27, QByteArray());
        row("every plane", removal, 5, QString::fromUtf16(u"cam\u00e9ra\u4e2d\U0001F4F7x"), true, 0,
            -1, "cam\xC3\xA9ra\xE4\xB8\xAD\xF0\x9F\x93\xB7x");
        row("lone surrogates", removal, 5,
            "a" + QString(QChar(0xDC00)) + "b" + QString(QChar(0xD83D)) + "c", true, 0, -1,
            "a\xEF\xBF\xBD\x62\xEF\xBF\xBD\x63");
        row("pair cut by the end", removal, 5, QString(QChar(0xD83D)), false, 0, -1,
            "\xEF\xBF\xBD");
    }
    void parsesWithinTheRecord() {
        QFETCH(quint64, wParam);
        QFETCH(quint32, type);
        QFETCH(QString, name);
        QFETCH(bool, terminated);
        QFETCH(quint32, stated);
        QFETCH(int, readable);
        QFETCH(QByteArray, utf8);
        const auto bytes = record(name, type, terminated, stated);
        const auto result = capture::parseDeviceBroadcast(
            wParam, bytes.data(), readable < 0 ? bytes.size() : std::size_t(readable));
        const auto kind = utf8.isNull()      ? DeviceBroadcastKind::None
                          : wParam == 0x8000 ? DeviceBroadcastKind::Arrival
                                             : DeviceBroadcastKind::Removal;
        QCOMPARE(int(result.kind), int(kind));
        QCOMPARE(QByteArray::fromStdString(result.utf8Path),
                 utf8.isNull() ? QByteArray() : "@device:pnp:" + utf8);
    }

    // The window-procedure form bounds the read by the record's own size and touches lParam only
    // for arrivals and removals (for other messages it need not be a pointer at all).
    void messageFormBoundsByTheStatedSize() {
        const auto bytes = record("abcdef", 5, false, 28 + 2 * 4);
        const auto result = capture::parseDeviceBroadcastMessage(
            0x8000, reinterpret_cast<std::intptr_t>(bytes.data()));
        QCOMPARE(result.utf8Path, std::string("@device:pnp:abcd"));
        QCOMPARE(int(capture::parseDeviceBroadcastMessage(0x0007, 1).kind), 0);
        QCOMPARE(int(capture::parseDeviceBroadcastMessage(0x8004, 0).kind), 0);
        QCOMPARE(int(capture::parseDeviceBroadcast(0x8000, nullptr, 64).kind), 0);
    }
};

QTEST_APPLESS_MAIN(TestDeviceBroadcastRecord)
#include "tst_device_broadcast_record.moc"
