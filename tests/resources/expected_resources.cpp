#include "expected_resources.h"

#include <array>

#include "status_messages.h"

namespace {

constexpr std::string_view TextOf(std::uint16_t id) {
  for (const SStatusText& entry : kStatusTexts) {
    if (entry.nID == id) return entry.text;
  }
  return {};
}

constexpr std::array kMainControls = {
    SExpectedControl{1, kAtomButton, {}, "閉じる", 0, 0x50010001, 185, 56, 50, 14},
    SExpectedControl{2, kAtomButton, {}, "キャンセル", 0, 0x40010000, 185, 7, 50, 14},
    SExpectedControl{1000, kAtomButton, {}, "アップデート", 0, 0x58010000, 7, 39, 50, 14},
    SExpectedControl{1001, kAtomStatic, {}, "スタティック", 0, 0x50020000, 7, 7, 228, 21},
    SExpectedControl{1002, 0, "msctls_progress32", "", 0, 0x50800001, 60, 39, 175, 14},
};

constexpr std::array kAboutControls = {
    SExpectedControl{kNoControlId, kAtomStatic, {}, {}, 128, 0x50000003, 14, 14, 21, 20},
    SExpectedControl{kNoControlId, kAtomStatic, {}, "Orvane, Version 1.0", 0, 0x50020080, 42, 14, 114, 8},
    SExpectedControl{kNoControlId, kAtomStatic, {}, "Zentor ファームウェア更新", 0, 0x50020000, 42, 26, 114,
                     8},
    SExpectedControl{1, kAtomButton, {}, "OK", 0, 0x50030001, 113, 41, 50, 14},
};

// The main dialog's caption is the application title.
constexpr std::array kDialogs = {
    SExpectedDialog{102, TextOf(IDS_APP_TITLE), 0x90C40040, 0x00040000, 0, 0, 242, 77, kMainControls},
    SExpectedDialog{100, "バージョン情報 Orvane", 0x80C800C8, 0, 0, 0, 170, 62, kAboutControls},
};

constexpr std::array<SExpectedIconImage, 13> kIconImages = {{
    {48, 4, false}, {32, 4, false}, {24, 4, false}, {16, 4, false},
    {48, 8, false}, {32, 8, false}, {24, 8, false}, {16, 8, false},
    {256, 32, true}, {48, 32, false}, {32, 32, false}, {24, 32, false}, {16, 32, false},
}};

constexpr std::array kVersionStrings = {
    SVersionString{"FileDescription", "Orvane"},
    SVersionString{"FileVersion", "1.0.0.3"},
    SVersionString{"InternalName", "Orvane.exe"},
    SVersionString{"OriginalFilename", "Orvane.exe"},
    SVersionString{"ProductName", "Zentor FW Update"},
    SVersionString{"ProductVersion", "1.0.0.3"},
};

}  // namespace

std::span<const SExpectedDialog> ExpectedDialogs() { return kDialogs; }
std::span<const SExpectedIconImage> ExpectedIconImages() { return kIconImages; }
std::span<const SVersionString> ExpectedVersionStrings() { return kVersionStrings; }
