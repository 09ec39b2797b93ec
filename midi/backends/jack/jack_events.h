#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace morvane::midi {

// JACK carries one MIDI message per event, and programs and bridges to hardware read each
// event as one message: a string handed over for sending (a dump's eight SysEx messages, one
// short message) goes out as one event per message, in order.

// The length of the event that starts rest (not empty). A SysEx runs to its F7 or up to the
// status byte that cuts it off; a channel, system common or real-time message is its status
// and the data bytes it takes; data bytes without a status in front (the rest of a SysEx that
// a real-time byte cut in two) run up to the next status byte, F7 included. Strings of ours
// carry no running status: data bytes beyond a channel message's own go as such a run.
std::size_t JackEventLength(std::span<const std::uint8_t> rest);

// The longest event of bytes, 0 for none.
std::size_t LongestJackEvent(std::span<const std::uint8_t> bytes);

}  // namespace morvane::midi
