// The box a result message must show in one language: the caption and icon
// of its ID and the catalogue entry with its argument filled in.
#pragma once

#include <cstdint>
#include <string>

#include "support/boxes.h"

namespace testsupport {

Box ResultBox(std::uint16_t language, std::uint32_t id, const std::string& argument = "");

// Whether `box` is message 300 in `language`, whatever error code it prints.
bool IsFailureBox(const Box& box, std::uint16_t language);

}  // namespace testsupport
