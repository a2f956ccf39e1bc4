#include "monitoring/SoftwareOptions.h"

#include "base/NumberText.h"
#include "base/Prompts.h"
#include "session/Session.h"

#include <optional>

QString IntervalRefusal(const QString& boxLabel, std::int32_t largest) {
    return QStringLiteral("%1 must be a number from 0 to %2.").arg(boxLabel).arg(largest);
}

bool ApplySoftwareOptions(Session& s, const TypedSoftwareOptions& typed) {
    struct Box {
        const QString& text;
        const QString& label;
        std::int32_t largest = 0;
        std::optional<std::int32_t> value;
    };
    Box boxes[] = {{typed.ReadInterval, ReadIntervalLabel, LargestInterval, {}},
                   {typed.LogInterval, LogIntervalLabel, LargestInterval, {}},
                   {typed.GraphInterval, GraphIntervalLabel, LargestGraphInterval, {}}};
    for (Box& box : boxes) {
        box.value = TypedInterval(box.text, box.largest);
        if (!box.value) {
            s.prompts.message(IntervalRefusal(box.label, box.largest), MessageIcon::Warning,
                              MessageButtons::Ok);
            return false;
        }
    }
    PollingOptions& o = s.options;
    o.ReadingEnabled = typed.ReadingEnabled;
    o.ReadInterval = *boxes[0].value;
    o.LogInterval = *boxes[1].value;
    o.GraphInterval = static_cast<std::int16_t>(*boxes[2].value);
    return true;
}
