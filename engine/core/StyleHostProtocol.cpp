#include "engine/core/StyleHostProtocol.h"

#include <sys/socket.h>

#include <cerrno>
#include <string>

namespace glyphon::style_host {

bool sendAll(int fd, const void* data, size_t bytes) {
  const auto* p = static_cast<const char*>(data);
  while (bytes > 0) {
    const ssize_t n = ::send(fd, p, bytes, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    bytes -= size_t(n);
  }
  return true;
}

bool receiveAll(int fd, void* data, size_t bytes) {
  auto* p = static_cast<char*>(data);
  while (bytes > 0) {
    const ssize_t n = ::recv(fd, p, bytes, MSG_WAITALL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    bytes -= size_t(n);
  }
  return true;
}

bool sendCall(int fd, const PluginCall& call) {
  CallHeader header;
  header.Kind = uint8_t(call.Kind);
  header.StyleFont = call.StyleFont;
  header.PathBytes = uint32_t(call.LibraryPath.size());
  header.DateBytes = uint32_t(call.DateDigits.size());
  header.TextBytes = uint32_t(call.Text.size());
  header.Scale = call.Scale;
  if (call.LibraryPath.size() > kMaxPathBytes || call.DateDigits.size() > kMaxPathBytes ||
      call.Text.size() > kMaxTextBytes)
    return false;
  return sendAll(fd, &header, sizeof header) &&
         sendAll(fd, call.LibraryPath.data(), call.LibraryPath.size()) &&
         sendAll(fd, call.DateDigits.data(), call.DateDigits.size()) &&
         sendAll(fd, call.Text.data(), call.Text.size());
}

std::optional<PluginCall> receiveCall(int fd) {
  CallHeader header;
  if (!receiveAll(fd, &header, sizeof header)) return std::nullopt;
  if (header.Magic != kCallMagic || header.Kind > uint8_t(PluginCallKind::Contract) ||
      header.PathBytes > kMaxPathBytes || header.DateBytes > kMaxPathBytes ||
      header.TextBytes > kMaxTextBytes)
    return std::nullopt;
  PluginCall call;
  call.Kind = PluginCallKind(header.Kind);
  call.StyleFont = header.StyleFont;
  call.Scale = header.Scale;
  call.LibraryPath.resize(header.PathBytes);
  call.DateDigits.resize(header.DateBytes);
  call.Text.resize(header.TextBytes);
  if (!receiveAll(fd, call.LibraryPath.data(), header.PathBytes) ||
      !receiveAll(fd, call.DateDigits.data(), header.DateBytes) ||
      !receiveAll(fd, call.Text.data(), header.TextBytes))
    return std::nullopt;
  return call;
}

}  // namespace glyphon::style_host
