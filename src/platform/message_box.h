// Modal message boxes.
#pragma once

#include <cstdint>
#include <string>

namespace spinstall::platform {

// Message-box style bits the program uses.
inline constexpr std::uint32_t kButtonsYesNo = 0x4;
inline constexpr std::uint32_t kIconStop = 0x10;
inline constexpr std::uint32_t kIconQuestion = 0x20;
inline constexpr std::uint32_t kIconExclamation = 0x30;
inline constexpr std::uint32_t kIconInformation = 0x40;
inline constexpr std::uint32_t kSetForeground = 0x10000;
inline constexpr std::uint32_t kTopMost = 0x40000;

// The button that closed a box.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// Shows a box with no owner window and an OK button (Yes and No with
// kButtonsYesNo), and returns the button the user pressed when the box is
// closed; 0 when no box could be shown.
int ShowMessageBox(const std::wstring& text, const std::wstring& caption, std::uint32_t style);

}  // namespace spinstall::platform
