// The rules of the update check that need no network and no window: how a
// version is compared, where the system proxy lies, what the server's answer
// says, which download address may be opened, and the progress text of the
// dialog's animation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace glyphon {

// The version of this program as the update check compares it, and as the
// about box shows it.
inline constexpr std::string_view kProgramVersion = "1.23";

// Whether version is larger than current as text: byte by byte by unsigned
// code, the larger byte at the first difference wins, and a text that begins
// with the other is the larger ("1.3" > "1.23", "1.100" < "1.23").
[[nodiscard]] bool isNewerVersion(std::string_view version,
                                  std::string_view current = kProgramVersion);

// A proxy to send the request through.
struct ProxyAddress {
  std::string host;
  uint16_t port = 0;

  friend bool operator==(const ProxyAddress&, const ProxyAddress&) = default;
};

// The proxy of a proxy list such as "http=A:80;https=B:443" or "A:81": the
// "http=" entry when there is one (up to its ";"), split at its first ":"
// into host and decimal port. Empty (connect directly) without a ":", when
// the port is not a number from 1 to 65535, or when the host is empty.
[[nodiscard]] std::optional<ProxyAddress> proxyFromList(std::string_view list);

// The proxy of an http_proxy value in URL form ("http://user@A:3128/"): the
// scheme, the user part and the path are dropped and the rest goes through
// proxyFromList; a bracketed IPv6 host ("[::1]:3128") loses its brackets.
// A value without "://" goes through proxyFromList as it is.
[[nodiscard]] std::optional<ProxyAddress> proxyFromEnvironment(std::string_view value);

// What the update server answered.
struct UpdateAnswer {
  std::string version;  // the newest version; empty when the answer has none
  std::string url;      // where to download it, as written; may be empty
};

// The largest answer read; a longer one is not an update answer.
inline constexpr size_t kMaxUpdateAnswerBytes = 64 * 1024;

// The keys version and URL of section Update of an INI text (both empty when
// missing; an HTML page has neither). Empty when bytes cannot be read as
// text: a NUL byte, bytes that are not UTF-8, or more than
// kMaxUpdateAnswerBytes.
[[nodiscard]] std::optional<UpdateAnswer> parseUpdateAnswer(std::string_view bytes);

// The download address to open for url: url without the blanks and control
// characters at its ends, when it is an http or https address with a host
// and no blank or control character inside; empty for anything else.
[[nodiscard]] std::string downloadAddress(std::string_view url);

// The animation shows base followed by 0 to kMaxProgressDots dots.
inline constexpr int kMaxProgressDots = 6;

// base followed by dots "." (dots is clamped to 0..kMaxProgressDots).
[[nodiscard]] std::string progressText(std::string_view base, int dots);

// The dot count after dots: one more, back to 0 after kMaxProgressDots.
[[nodiscard]] int nextProgressDots(int dots);

}  // namespace glyphon
