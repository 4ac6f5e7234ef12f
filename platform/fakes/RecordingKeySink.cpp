#include "RecordingKeySink.h"

namespace okulon {

bool RecordingKeySink::FindReceiver(const std::string& caption)
{
    LookedUpCaptions.push_back(caption);
    ReceiverFound = ReceiverPresent;
    return ReceiverFound;
}

void RecordingKeySink::SendKey(int message, std::int32_t keyCode, bool synchronous)
{
    Keys.push_back({message, keyCode, synchronous, ReceiverFound});
}

} // namespace okulon
