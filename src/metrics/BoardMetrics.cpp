#include "metrics/BoardMetrics.h"

#include "alarms/AlarmMonitor.h"
#include "monitoring/Conversions.h"
#include "session/Session.h"

#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

#include <QRegularExpression>

#include <sstream>

using prometheus::Counter;
using prometheus::Family;
using prometheus::Gauge;
using prometheus::Labels;

namespace {

constexpr int FansNotPresent = 0x36;
constexpr int TachFirst = 0x2A; // Tach 1 low byte; each fan's pair follows
constexpr int NoPulse = 0xFFFF; // the tach counter ran out before a pulse came

// The sample of these labels set to the value, or removed when there is none.
void setOrRemove(Family<Gauge>& family, const Labels& labels, std::optional<double> value) {
    if (value)
        family.Add(labels).Set(*value);
    else if (family.Has(labels))
        family.Remove(&family.Add(labels));
}

std::optional<double> asDouble(std::optional<std::int32_t> v) {
    return v ? std::optional<double>(*v) : std::nullopt;
}

std::string str(const QString& text) {
    return text.toStdString();
}

// The board as a label: "USB 1-4.2", "/dev/i2c-1", "sim"; "simulated" says whether a real one.
Labels boardLabels(const BoardIdentity& id) {
    std::string board;
    switch (id.kind) {
    case BoardIdentity::Kind::Simulated:
        board = "sim";
        break;
    case BoardIdentity::Kind::Usb:
        board = id.port.isEmpty() ? "USB" : "USB " + str(id.port);
        break;
    case BoardIdentity::Kind::Smbus:
        board = id.adapter.isEmpty() ? "SMBus" : str(id.adapter);
        break;
    }
    return {{"board", board},
            {"serial", str(id.serial)},
            {"chip_address", str(QStringLiteral("0x%1").arg(id.chipAddress, 2, 16, QLatin1Char('0')))},
            {"simulated", id.simulated ? "true" : "false"}};
}

} // namespace

QString ListenAddress::text() const {
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

std::optional<ListenAddress> ParseListenAddress(const QString& text, QString& error) {
    static const QRegularExpression form(QStringLiteral(R"(^((?:\d{1,3}\.){3}\d{1,3}):(\d{1,5})$)"));
    const QRegularExpressionMatch m = form.match(text);
    bool ok = m.hasMatch();
    ListenAddress a;
    if (ok) {
        a.host = m.captured(1);
        a.port = m.captured(2).toInt();
        ok = a.port <= 65535;
        for (const QString& part : a.host.split(u'.'))
            ok = ok && part.toInt() <= 255;
    }
    if (ok) return a;
    error = QStringLiteral("invalid listen address '%1' (IPv4-ADDR:PORT, such as 127.0.0.1:%2 or 0.0.0.0:%2)")
                .arg(text)
                .arg(DefaultMetricsPort);
    return std::nullopt;
}

struct BoardMetrics::Families {
    explicit Families(prometheus::Registry& r)
        : build(prometheus::BuildGauge()
                    .Name("vortane_build_info")
                    .Help("The program's version; always 1")
                    .Register(r)),
          board(prometheus::BuildGauge()
                    .Name("vortane_board_info")
                    .Help("The board in use: where it sits, its serial number, the chip's SMBus address, "
                          "and whether it is simulated; always 1")
                    .Register(r)),
          linkUp(prometheus::BuildGauge()
                     .Name("vortane_link_up")
                     .Help("1 while the link to the board works, 0 once it is lost")
                     .Register(r)),
          temperature(prometheus::BuildGauge()
                          .Name("vortane_temperature_celsius")
                          .Help("Temperature 1 to 10 as the chip last read them")
                          .Register(r)),
          maxTemperature(prometheus::BuildGauge()
                             .Name("vortane_max_temperature_celsius")
                             .Help("The highest temperature the chip reports")
                             .Register(r)),
          fanSpeed(prometheus::BuildGauge()
                       .Name("vortane_fan_speed_rpm")
                       .Help("Fan speed from its tach; no sample for a fan not present or not seen turning")
                       .Register(r)),
          duty(prometheus::BuildGauge()
                   .Name("vortane_fan_duty_ratio")
                   .Help("PWM output duty cycle, 0 to 1")
                   .Register(r)),
          alarm(prometheus::BuildGauge()
                    .Name("vortane_alarm")
                    .Help("1 while the alarm is raised: an interrupt source set and not masked, or a "
                          "stalled fan")
                    .Register(r)),
          lastReading(prometheus::BuildGauge()
                          .Name("vortane_last_reading_timestamp_seconds")
                          .Help("When a reading last came from the board, in seconds since the epoch")
                          .Register(r)),
          requests(prometheus::BuildCounter()
                       .Name("vortane_requests_total")
                       .Help("Requests sent to the board")
                       .Register(r)
                       .Add({})),
          failures(prometheus::BuildCounter()
                       .Name("vortane_request_failures_total")
                       .Help("Requests the board answered with a failure")
                       .Register(r)
                       .Add({})) {}

    Family<Gauge>& build;
    Family<Gauge>& board;
    Family<Gauge>& linkUp;
    Family<Gauge>& temperature;
    Family<Gauge>& maxTemperature;
    Family<Gauge>& fanSpeed;
    Family<Gauge>& duty;
    Family<Gauge>& alarm;
    Family<Gauge>& lastReading;
    Counter& requests;
    Counter& failures;
    Labels boardNow;
};

BoardMetrics::BoardMetrics()
    : registry_(std::make_shared<prometheus::Registry>()), f_(std::make_unique<Families>(*registry_)) {
    f_->build.Add({{"version", VORTANE_VERSION}}).Set(1);
}

BoardMetrics::~BoardMetrics() = default;

void BoardMetrics::update(Session& s, const AlarmMonitor* alarms, double nowS) {
    USBStuff& usb = s.usb;
    const Readings& r = s.readings;
    f_->linkUp.Add({}).Set(usb.linkHeld() ? 0 : 1);

    const Labels board = boardLabels(usb.boardIdentity());
    if (board != f_->boardNow) {
        if (!f_->boardNow.empty()) f_->board.Remove(&f_->board.Add(f_->boardNow));
        f_->board.Add(board).Set(1);
        f_->boardNow = board;
    }

    for (std::size_t i = 0; i < 10; ++i)
        setOrRemove(f_->temperature, {{"sensor", std::to_string(i + 1)}}, asDouble(r.temperature(i)));
    setOrRemove(f_->maxTemperature, {}, asDouble(r.temperature(10)));

    // The chip reports every fan present until a free-wheel test has found the missing ones, and
    // an unconnected fan's tach counts no pulse: a fan is shown once it has been seen turning.
    const std::optional<int> notPresent = usb.knownValue(FansNotPresent);
    for (std::size_t k = 0; k < 4; ++k) {
        const auto low = usb.knownValue(TachFirst + 2 * static_cast<int>(k));
        const auto high = usb.knownValue(TachFirst + 2 * static_cast<int>(k) + 1);
        if (r.fanSpeed(k) && low && high && TachCount(*low, *high) != NoPulse) seenTurning_[k] = true;
        const bool present = seenTurning_[k] && !(notPresent && (*notPresent & (1 << k)));
        const Labels fan{{"fan", std::to_string(k + 1)}};
        setOrRemove(f_->fanSpeed, fan, present ? asDouble(r.fanSpeed(k)) : std::nullopt);
        const auto duty = r.dutyCycle(k);
        setOrRemove(f_->duty, fan, duty ? std::optional<double>(*duty / 100.0) : std::nullopt);
    }

    if (alarms && alarms->polls() > 0)
        for (std::size_t a = 0; a < AlarmCount; ++a)
            f_->alarm.Add({{"channel", str(AlarmChannel(a))}}).Set(alarms->alarms()[a].active ? 1 : 0);

    const std::array reads{r.temperaturesReads, r.maxTemperatureReads, r.fanSpeedsReads, r.dutyCyclesReads};
    if (reads != reads_) {
        f_->lastReading.Add({}).Set(nowS);
        reads_ = reads;
    }
    f_->requests.Increment(static_cast<double>(usb.requestsSent() - sent_));
    f_->failures.Increment(static_cast<double>(usb.requestsFailed() - failed_));
    sent_ = usb.requestsSent();
    failed_ = usb.requestsFailed();
}

void BoardMetrics::linkLost() {
    f_->linkUp.Add({}).Set(0);
    for (std::size_t i = 0; i < 10; ++i)
        setOrRemove(f_->temperature, {{"sensor", std::to_string(i + 1)}}, std::nullopt);
    setOrRemove(f_->maxTemperature, {}, std::nullopt);
    for (std::size_t k = 0; k < 4; ++k) {
        setOrRemove(f_->fanSpeed, {{"fan", std::to_string(k + 1)}}, std::nullopt);
        setOrRemove(f_->duty, {{"fan", std::to_string(k + 1)}}, std::nullopt);
    }
    // Without the chip no alarm's state is known: a stall raised before stays no longer.
    for (std::size_t a = 0; a < AlarmCount; ++a)
        setOrRemove(f_->alarm, {{"channel", str(AlarmChannel(a))}}, std::nullopt);
}

std::string BoardMetrics::text() const {
    std::ostringstream out;
    prometheus::TextSerializer().Serialize(out, registry_->Collect());
    return out.str();
}
