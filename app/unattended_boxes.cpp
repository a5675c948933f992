#include "app/unattended_boxes.h"

#include <cstdio>

namespace app {

UnattendedBoxes::UnattendedBoxes()
    : sink_([this](const platform::Message& message) {
        ++shown_;
        QString text = message.text.trimmed();
        text.replace('\n', ' ');
        if (!message.reason.isEmpty()) text += " (" + message.reason + ")";
        std::fprintf(stderr, "vorlix: %s: %s\n", qUtf8Printable(message.caption), qUtf8Printable(text));
        std::fflush(stderr);
        return message.question ? platform::BoxAnswer::No : platform::BoxAnswer::Ok;
      }) {}

}  // namespace app
