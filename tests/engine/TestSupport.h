// Fakes of the engine's ports and a small harness that wires them to a state.
#pragma once

#include "Bitmap.h"
#include "ImageScreenSource.h"
#include "KeyAction.h"
#include "Ports.h"
#include "UnitGlobal_v.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace okulon::test {

// In-memory parameter store with the repair rule over the built-in defaults.
class FakeParameters : public IParameters {
public:
    FakeParameters()
        : values_(Defaults())
    {
    }

    static std::vector<std::string> Defaults()
    {
        std::vector<std::string> d(128);
        const std::map<int, std::string> table = {
            {1, "VALUES"}, {2, "Eng"}, {4, "20"}, {5, "20"}, {6, "3"}, {7, "20"}, {8, "0"}, {9, "0"},
            {10, "C"}, {12, "Okulon.dat"}, {13, "100"}, {14, "1"}, {15, "1"}, {16, "111111111"},
            {18, "FFFFFF"}, {19, "80"}, {21, "120"}, {22, "60"}, {23, "4"}, {24, "4"}, {25, "140"},
            {26, "160"}, {27, "170"}, {28, "75"}, {32, "1"}, {33, "1"}, {34, "1"}, {35, "0"}, {46, "0"},
            {47, "0"}, {48, "0"}, {49, "Eye_2S1P2M.dat"}, {50, "1"}, {51, ""}, {61, "0"}, {62, "1"},
            {63, "1"}, {64, "1"}, {65, "0"}, {66, "0"}, {67, "0"}, {68, "0"}, {101, "Clavirex"}, {102, "P"},
            {111, "32 2"}, {112, "32 2"}, {113, "32 1"}, {114, "32 1"}, {115, ""}, {116, ""}};
        for (const auto& [n, v] : table)
            d[static_cast<std::size_t>(n - 1)] = v;
        return d;
    }

    std::int32_t GetParamInt(int n) override
    {
        if (n < 1 || n > static_cast<int>(values_.size()))
            return NoIntValue;
        std::string& cell = values_[static_cast<std::size_t>(n - 1)];
        const auto v = ParseInt32(cell);
        if (!v || *v == NoIntValue) {
            cell = Default(n);
            return 0;
        }
        return *v;
    }
    std::string GetParamText(int n) override
    {
        if (n < 1 || n > static_cast<int>(values_.size()))
            return Default(n);
        std::string& cell = values_[static_cast<std::size_t>(n - 1)];
        if (cell.find_first_not_of(" \t\r\n") == std::string::npos)
            cell = Default(n);
        return cell;
    }
    void SetParamInt(int n, std::int32_t value) override { SetParamText(n, std::to_string(value)); }
    void SetParamText(int n, const std::string& text) override
    {
        if (n >= 1 && n <= static_cast<int>(values_.size()))
            values_[static_cast<std::size_t>(n - 1)] = text;
    }

    // Raw cell content, without any repair.
    const std::string& Cell(int n) const { return values_[static_cast<std::size_t>(n - 1)]; }
    void Set(int n, const std::string& text) { SetParamText(n, text); }

private:
    static std::string Default(int n)
    {
        static const std::vector<std::string> d = Defaults();
        return n >= 1 && n <= static_cast<int>(d.size()) ? d[static_cast<std::size_t>(n - 1)] : std::string();
    }
    std::vector<std::string> values_;
};

class RecordingLog : public IEventLog {
public:
    void WriteLog(const std::string& text, int code) override { Lines.emplace_back(text, code); }
    std::vector<std::pair<std::string, int>> Lines;
};

class EnglishMessages : public IMessages {
public:
    std::string GetMessageText(int k) const override
    {
        switch (k) {
        case 26:
            return "Reading configuration from the file:";
        case 27:
            return "Reading a structure from the file:";
        default:
            return "";
        }
    }
};

// A state wired to fakes. The screen is a stored picture; no structure or
// matrix file is loaded unless a test installs a loader.
struct Harness {
    Harness()
        : Ctx{S, P, &Log, &Messages, &Screen, nullptr, {}, {}, {}, {}}
    {
        Ctx.ProgramFolder = "/okulon/";
        Ctx.FileExists = [this](const std::string& path) {
            for (const auto& f : Files)
                if (f == path)
                    return true;
            return false;
        };
    }
    Harness(const Harness&) = delete;

    ApplyResult Apply(const std::string& configFile = "") { return ApplyConfiguration(Ctx, configFile); }

    TrackerState S;
    FakeParameters P;
    RecordingLog Log;
    EnglishMessages Messages;
    ImageScreenSource Screen;
    std::vector<std::string> Files; // paths that exist
    EngineContext Ctx;
};

// Writes r, g, b into the plane cells x0..x1, y0..y1.
inline void PaintPlane(TrackerState& s, int x0, int y0, int x1, int y1, int r, int g, int b)
{
    for (int x = x0; x <= x1; ++x)
        for (int y = y0; y <= y1; ++y) {
            auto& c = s.Plane(x, y).Slot;
            c[1] = static_cast<std::int16_t>(r);
            c[2] = static_cast<std::int16_t>(g);
            c[3] = static_cast<std::int16_t>(b);
        }
}

} // namespace okulon::test
