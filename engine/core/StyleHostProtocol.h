// What the editor and its style helper (glyphon-style-host) say to each
// other. The editor starts the helper with a stream socket as descriptor
// kChannelFd and a memfd as kPicturesFd. For each call it sends a
// CallHeader followed by the library path, the date digits and the text;
// the helper answers with one Answer. A picture drawn lies in the memfd,
// Answer::Offset bytes from its start, rows of width * 3 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/core/PluginCall.h"

namespace glyphon::style_host {

inline constexpr int kChannelFd = 3;
inline constexpr int kPicturesFd = 4;

inline constexpr uint32_t kCallMagic = 0x47534331;    // "GSC1"
inline constexpr uint32_t kAnswerMagic = 0x47534131;  // "GSA1"

// The longest path or date digits the helper reads, and the longest text:
// far beyond any memo, small enough that a damaged length is refused
// before anything is allocated.
inline constexpr uint32_t kMaxPathBytes = 64 * 1024;
inline constexpr uint32_t kMaxTextBytes = 64 * 1024 * 1024;

struct CallHeader {
  uint32_t Magic = kCallMagic;
  uint8_t Kind = 0;  // PluginCallKind
  uint8_t Reserved[3] = {};
  int32_t StyleFont = 0;
  uint32_t PathBytes = 0;
  uint32_t DateBytes = 0;
  uint32_t TextBytes = 0;
  double Scale = 1.0;
};

// How a call ended, as the helper tells it.
enum class AnswerStatus : uint8_t {
  NotAPlugin,
  Done,
  BrokeContract,
  WroteOutside,  // sent from the fault handler: the plug-in wrote past its picture
  BadCall,       // the call did not make sense; the helper ends
};

struct Answer {
  uint32_t Magic = kAnswerMagic;
  uint8_t Status = 0;    // AnswerStatus
  uint8_t Contract = 0;  // PluginContract
  uint8_t Reserved[2] = {};
  int32_t Width = 0;
  int32_t Height = 0;
  uint64_t Offset = 0;
  double Scale = 1.0;
  double ProcessorSeconds = 0;  // used by the helper so far
};

// Writes all of data to fd; false when the other end is gone. Never raises SIGPIPE.
[[nodiscard]] bool sendAll(int fd, const void* data, size_t bytes);
// Reads exactly bytes from fd, waiting as long as it takes; false at the end of the stream or an
// error.
[[nodiscard]] bool receiveAll(int fd, void* data, size_t bytes);

// Sends call as one header and its three strings.
[[nodiscard]] bool sendCall(int fd, const PluginCall& call);
// Reads one call; nothing at the end of the stream or when the call does not make sense.
[[nodiscard]] std::optional<PluginCall> receiveCall(int fd);

}  // namespace glyphon::style_host
