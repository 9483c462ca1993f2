// Whole-file reading and crash-safe whole-file writing.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/core/PixelAllocator.h"

namespace glyphon {

// Largest file readWholeFile accepts: 1 GiB. Every file the editor reads
// (pictures, project files) is far smaller; a larger one is refused before
// anything is allocated for it.
inline constexpr uint64_t kMaxReadFileSize = uint64_t(1) << 30;

// The whole content of the file at path. Throws Error "Cannot open file
// "<path>". <reason>" when it cannot be opened (the reason is the system's
// text, e.g. "No such file or directory"), "Cannot read file ..." when
// reading fails, and a clear Error when the file is larger than
// kMaxReadFileSize.
[[nodiscard]] std::vector<uint8_t> readWholeFile(const std::string& path);
// The same, held in picture memory: for the large files the decoders read
// (pictures, projects), whose bytes then cost no clearing and few page faults.
[[nodiscard]] PixelBytes readWholeFileBytes(const std::string& path);

// Replaces the file at path with data, creating it when absent. The bytes go
// to a temporary file in the same folder, are flushed to the disk and then
// renamed over the target, so a crash, a full disk or any other failure
// leaves either the old file or the complete new one, never a mix. A target
// that is a symbolic link is followed: the file it points to is replaced.
// An existing target keeps its permission bits; a new file gets 0666 minus
// the umask. Throws Error "Cannot create file "<path>". <reason>" on failure,
// after removing the temporary file.
void writeWholeFile(const std::string& path, std::span<const uint8_t> data);

}  // namespace glyphon
