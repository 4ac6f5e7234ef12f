// A key sink that records what it is asked to deliver instead of delivering it.
#pragma once

#include "Ports.h"

#include <cstdint>
#include <string>
#include <vector>

namespace okulon {

struct RecordedKey {
    int Message = 0;           // 256 key down, 257 key up
    std::int32_t KeyCode = 0;
    bool Synchronous = false;  // sent (true) or posted (false)
    bool ReceiverFound = false; // whether the last look-up found a receiver
    bool operator==(const RecordedKey&) const = default;
};

class RecordingKeySink : public IKeySink {
public:
    // Whether FindReceiver reports a window for the captions it is asked about.
    explicit RecordingKeySink(bool receiverPresent = true)
        : ReceiverPresent(receiverPresent)
    {
    }

    bool FindReceiver(const std::string& caption) override;
    void SendKey(int message, std::int32_t keyCode, bool synchronous) override;

    // Forgets the recorded keys (not the look-ups).
    void ClearKeys() { Keys.clear(); }

    bool ReceiverPresent;
    bool ReceiverFound = false;
    std::vector<std::string> LookedUpCaptions; // every FindReceiver caption, in order
    std::vector<RecordedKey> Keys;             // every SendKey, in order
};

} // namespace okulon
