#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLocale>

#include "FakeClock.h"
#include "TFrame1.h"
#include "Tfekranglowny.h"

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// Every slot a radio kart, so the running times and lap numbers of all five columns
// are drawn from the slots.
struct ColumnFixture : ::testing::Test {
    FakeClock clock;
    Station station{clock, QStringLiteral("/nonexistent/")};

    void SetUp() override {
        for (int s = 1; s <= kSlotCount; ++s) {
            station.slot(s).radio = true;
            station.slot(s).driver_name = QStringLiteral("D%1").arg(s);
        }
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    std::unique_ptr<Tfekranglowny> Show() {
        auto screen = ShowSessionScreen(station, {});
        screen->showNormal();
        screen->resize(Tfekranglowny::kDesignWidth, Tfekranglowny::kDesignHeight);
        return screen;
    }

    template <typename T = QLabel>
    static T& Get(const QObject& parent, const QString& name) {
        T* found = parent.findChild<T*>(name);
        if (!found) {
            throw std::runtime_error("no control " + name.toStdString());
        }
        return *found;
    }
};

}  // namespace

TEST_F(ColumnFixture, SensorTemperaturesUseTheDecimalSeparatorOnly) {
    struct Case {
        QLocale locale;
        const char* expected[3];
    };
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), {"1234.5", "-20.0", "7.0"}},
        {QLocale(QLocale::German, QLocale::Germany), {"1234,5", "-20,0", "7,0"}},
        {QLocale(QLocale::Swedish, QLocale::Sweden), {"1234,5", "-20,0", "7,0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        QLocale::setDefault(c.locale);
        KartSlot& kart = station.slot(2);
        kart.temperature1 = 1234.5;
        kart.temperature2 = -20.0;
        kart.temperature3 = 7.0;
        auto screen = Show();
        screen->RefreshKarts();
        const auto& frame = Get<TFrame1>(*screen, QStringLiteral("Frame12"));
        EXPECT_EQ(Get(frame, QStringLiteral("Label2")).text(), c.expected[0]);
        EXPECT_EQ(Get(frame, QStringLiteral("Label4")).text(), c.expected[1]);
        EXPECT_EQ(Get(frame, QStringLiteral("Label6")).text(), c.expected[2]);
    }
}
