#include <QtTest>

#include <cstdint>
#include <vector>

#include "DeviceBroadcastRecord.h"

using capture::DeviceBroadcastKind;

Q_DECLARE_METATYPE(DeviceBroadcastKind)

namespace {

void putLe32(std::vector<unsigned char> &bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A DEV_BROADCAST_DEVICEINTERFACE_W as the system lays it out: size, type, reserved, class GUID,
// then the UTF-16LE name. `stated` overrides the size field; 0 means the true size.
std::vector<unsigned char> record(const QString &name, std::uint32_t type = 5,
                                  bool terminated = true, std::uint32_t stated = 0) {
    std::vector<unsigned char> bytes(28 + 2 * (name.size() + (terminated ? 1 : 0)), 0);
    putLe32(bytes, 0, stated ? stated : static_cast<std::uint32_t>(bytes.size()));
    putLe32(bytes, 4, type);
    for (int i = 0; i < name.size(); ++i) {
        bytes[28 + 2 * i] = static_cast<unsigned char>(name[i].unicode() & 0xFF);
        bytes[28 + 2 * i + 1] = static_cast<unsigned char>(name[i].unicode() >> 8);
    }
    return bytes;
}

const QString kName = QStringLiteral("\\\\?\\USB#VID_ABCD&PID_12EF#5&2&0&1#{65e8773d}\\global");

}  // namespace

class TestDeviceBroadcastRecord : public QObject {
    Q_OBJECT
private slots:
    void kindFollowsMessageAndRecordType_data() {
        QTest::addColumn<quint64>("wParam");
        QTest::addColumn<quint32>("type");
        QTest::addColumn<DeviceBroadcastKind>("kind");
        QTest::newRow("arrival") << quint64(0x8000) << 5u << DeviceBroadcastKind::Arrival;
        QTest::newRow("remove complete") << quint64(0x8004) << 5u << DeviceBroadcastKind::Removal;
        QTest::newRow("query remove") << quint64(0x8001) << 5u << DeviceBroadcastKind::None;
        QTest::newRow("remove pending") << quint64(0x8003) << 5u << DeviceBroadcastKind::None;
        QTest::newRow("nodes changed") << quint64(0x0007) << 5u << DeviceBroadcastKind::None;
        QTest::newRow("volume record") << quint64(0x8000) << 2u << DeviceBroadcastKind::None;
        QTest::newRow("handle record") << quint64(0x8004) << 6u << DeviceBroadcastKind::None;
    }
    void kindFollowsMessageAndRecordType() {
        QFETCH(quint64, wParam);
        QFETCH(quint32, type);
        QFETCH(DeviceBroadcastKind, kind);
        const auto bytes = record(kName, type);
        const auto result = capture::parseDeviceBroadcast(wParam, bytes.data(), bytes.size());
        QCOMPARE(result.kind, kind);
        QCOMPARE(result.utf8Path.empty(), kind == DeviceBroadcastKind::None);
    }

    // The name ends at the NUL, at the size the record states or at the readable size, whichever
    // comes first; what lies beyond must not leak into the path.
    void nameStaysWithinTheRecord_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("terminated");
        QTest::addColumn<quint32>("stated");   // 0: the true size
        QTest::addColumn<int>("readable");     // -1: the whole buffer
        QTest::addColumn<QByteArray>("utf8");  // null: no event
        const QString pair = QString::fromUtf16(u"\U0001F4F7x");
        auto row = [](const char *tag, const QString &name, bool terminated, quint32 stated,
                      int readable, const QByteArray &utf8) {
            QTest::newRow(tag) << name << terminated << stated << readable << utf8;
        };
        row("whole name", kName, true, 0, -1, kName.toUtf8());
        row("unterminated", "abc", false, 0, -1, "abc");
        row("stated size cuts", "abcdef", true, 28 + 6, -1, "abc");
        row("readable size cuts", "abcdef", true, 0, 28 + 5, "ab");
        row("no room for a name", kName, true, 0, 28, "");
        row("header cut short", kName, true, 0, 11, QByteArray());
        row("name offset not reached", kName, true, 0, 27, QByteArray());
        row("stated below header", kName, true, 20, -1, QByteArray());
        row("basic plane", QString::fromUtf16(u"cam\u00e9ra\u4e2d"), true, 0, -1,
            "cam\xC3\xA9ra\xE4\xB8\xAD");
        row("surrogate pair", pair, true, 0, -1, "\xF0\x9F\x93\xB7x");
        row("lone low surrogate", "a" + QString(QChar(0xDC00)) + "b", true, 0, -1,
            "a\xEF\xBF\xBD\x62");
        row("lone high surrogate", "a" + QString(QChar(0xD83D)) + "b", true, 0, -1,
            "a\xEF\xBF\xBD\x62");
        row("pair cut by the end", pair.left(1), false, 0, -1, "\xEF\xBF\xBD");
    }
    void nameStaysWithinTheRecord() {
        QFETCH(QString, name);
        QFETCH(bool, terminated);
        QFETCH(quint32, stated);
        QFETCH(int, readable);
        QFETCH(QByteArray, utf8);
        auto bytes = record(name, 5, terminated, stated);
        bytes.insert(bytes.end(), {'X', 0, 'Y', 0, 0, 0});  // readable, but not the record's
        const auto result = capture::parseDeviceBroadcast(
            0x8004, bytes.data(), readable < 0 ? bytes.size() : std::size_t(readable));
        QCOMPARE(result.kind,
                 utf8.isNull() ? DeviceBroadcastKind::None : DeviceBroadcastKind::Removal);
        QCOMPARE(QByteArray::fromStdString(result.utf8Path),
                 utf8.isNull() ? QByteArray() : "@device:pnp:" + utf8);
    }

    // The window-procedure form bounds the read by the record's own size and touches lParam only
    // for arrivals and removals (for other messages it need not be a pointer at all).
    void messageFormBoundsByTheStatedSize() {
        auto bytes = record("abcdef", 5, false, 28 + 2 * 4);
        const auto result = capture::parseDeviceBroadcastMessage(
            0x8000, reinterpret_cast<std::intptr_t>(bytes.data()));
        QCOMPARE(result.kind, DeviceBroadcastKind::Arrival);
        QCOMPARE(result.utf8Path, std::string("@device:pnp:abcd"));
        QCOMPARE(capture::parseDeviceBroadcastMessage(0x0007, 1).kind, DeviceBroadcastKind::None);
        QCOMPARE(capture::parseDeviceBroadcastMessage(0x8004, 0).kind, DeviceBroadcastKind::None);
        QCOMPARE(capture::parseDeviceBroadcast(0x8000, nullptr, 64).kind,
                 DeviceBroadcastKind::None);
    }
};

QTEST_APPLESS_MAIN(TestDeviceBroadcastRecord)
#include "tst_device_broadcast_record.moc"
