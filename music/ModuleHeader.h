#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// ProTracker-style modules (31 samples and a tag such as "M.K." or "8CHN" at byte 1080) say in
// their header how long they are: the patterns their song plays, then every sample's length.
// The player plays a file cut short with its missing samples as silence or noise, so a short
// file is refused here. Other formats are left to the player.
constexpr size_t PROTRACKER_HEADER_BYTES = 1084;

// The bytes a ProTracker-style module needs; 0 when the file is not one (or too short to tell).
uint64_t protrackerModuleBytes(const uint8_t* bytes, size_t size);
