#pragma once

// A buffer whose size is known before it is filled (a body of announced
// length, an encoder's output) is reserved whole. Past a few megabytes its
// pages are asked for as huge pages, so that filling it faults once every
// 2 MB instead of once every 4 KB: on a virtual machine the faults of 100 MB
// in small pages cost more than the copying into them.

#include <cstddef>
#include <string>

namespace LargeBuffer {

// Reservations from this size on ask for huge pages.
constexpr std::size_t HugePageThreshold = std::size_t{4} << 20;

// Makes room for size bytes in s (as reserve does), asking for huge pages
// when the room is new and large. Where the system has none, small pages
// are used as before.
void Reserve(std::string& s, std::size_t size);

// Whether large reservations ask for huge pages: on unless switched off
// (the benchmarks measure both ways).
void SetHugePages(bool on);
bool HugePages();

} // namespace LargeBuffer
