#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// ProTracker-style modules (31 samples and a tag such as "M.K." or "8CHN" at byte 1080) say in
// their header how long they are: the patterns their song plays, then every sample's length.
// The player plays a file cut short with its missing samples as silence or noise, so a short
// file is refused here. Other formats are left to the player.
constexpr size_t PROTRACKER_HEADER_BYTES = 1084;
// Where the header keeps its parts: 31 sample headers of 30 bytes, the song's length, its
// 128-entry order list and the tag; the patterns follow the header.
constexpr size_t PROTRACKER_SAMPLE_HEADERS_AT = 20;
constexpr size_t PROTRACKER_SAMPLE_HEADER_BYTES = 30;
constexpr size_t PROTRACKER_SONG_LENGTH_AT = 950;
constexpr size_t PROTRACKER_ORDERS_AT = 952;
constexpr size_t PROTRACKER_TAG_AT = 1080;

// The bytes a ProTracker-style module needs; 0 when the file is not one (or too short to tell).
uint64_t protrackerModuleBytes(const uint8_t* bytes, size_t size);
