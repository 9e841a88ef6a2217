#include <QtTest>

#include <array>

#include "PowerLineData.h"

// The 44-byte KSPROPERTY_VIDEOPROCAMP_S buffer of the power-line property: the driver reads the
// value as a little-endian signed word at byte 24 and reports its mode at byte 28.
class TestPowerLineData : public QObject {
    Q_OBJECT
private slots:
    void writesOnlyTheirOwnWords() {
        std::array<unsigned char, capture::kPowerLineDataSize> data;
        data.fill(0xCD);
        capture::setPowerLineValue(data.data(), -2);
        capture::setPowerLineFlags(data.data(), 0x01020304u);

        const unsigned char value[] = {0xFE, 0xFF, 0xFF, 0xFF};
        const unsigned char flags[] = {0x04, 0x03, 0x02, 0x01};
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (i >= 24 && i < 28)
                QCOMPARE(data[i], value[i - 24]);
            else if (i >= 28 && i < 32)
                QCOMPARE(data[i], flags[i - 28]);
            else
                QCOMPARE(data[i], static_cast<unsigned char>(0xCD));
        }
    }

    void readsWhatTheDriverWrote() {
        std::array<unsigned char, capture::kPowerLineDataSize> data{};
        data[24] = 0x03;
        data[28] = 0x02;
        data[31] = 0x80;
        QCOMPARE(capture::powerLineValue(data.data()), 3);
        QCOMPARE(capture::powerLineFlags(data.data()), 0x80000002u);

        data[24] = 0xFF, data[25] = 0xFF, data[26] = 0xFF, data[27] = 0xFF;
        QCOMPARE(capture::powerLineValue(data.data()), -1);
    }
};

QTEST_APPLESS_MAIN(TestPowerLineData)
#include "tst_power_line_data.moc"
