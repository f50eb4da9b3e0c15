// Modal message boxes.
#pragma once

#include <cstdint>
#include <string>

namespace spinstall::platform {

// Message-box style bits the program uses.
inline constexpr std::uint32_t kIconStop = 0x10;
inline constexpr std::uint32_t kIconExclamation = 0x30;
inline constexpr std::uint32_t kIconInformation = 0x40;
inline constexpr std::uint32_t kSetForeground = 0x10000;
inline constexpr std::uint32_t kTopMost = 0x40000;

// Shows a box with no owner window and an OK button, and returns when the user
// has closed it.
void ShowMessageBox(const std::wstring& text, const std::wstring& caption, std::uint32_t style);

}  // namespace spinstall::platform
