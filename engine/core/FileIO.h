// Whole-file reading and crash-safe whole-file writing.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "engine/core/PixelAllocator.h"

namespace glyphon {

// Largest file readWholeFile accepts: 1 GiB. Every file the editor reads
// (pictures, project files) is far smaller; a larger one is refused before
// anything is allocated for it.
inline constexpr uint64_t kMaxReadFileSize = uint64_t(1) << 30;

// Opens the file at path for reading and returns its descriptor (the
// caller closes it). Only a regular file is taken: a named pipe, a device,
// a socket or a folder is refused at once, without waiting for a writer or
// reading anything, with Error "Cannot open file "<path>". It is a named
// pipe (FIFO), not a regular file" (a folder: "... Is a directory"). A
// file that cannot be opened gives "Cannot open file "<path>". <reason>".
[[nodiscard]] int openRegularFileForReading(const std::string& path);

// Opens the file at path as openRegularFileForReading does and gives its
// size; a file larger than kMaxReadFileSize is refused with readWholeFile's
// Error before anything is read. The caller closes the descriptor.
[[nodiscard]] int openReadableFile(const std::string& path, uint64_t& size);

// Reads up to count bytes of fd (the file at path) into out, again after an
// interruption; returns how many came, 0 at the end of the file. Throws
// Error "Cannot read file "<path>". <reason>" when reading fails.
[[nodiscard]] size_t readSome(int fd, void* out, size_t count, const std::string& path);

// The whole content of the file at path (opened by
// openRegularFileForReading, so only a regular file). Throws Error "Cannot open file
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
// leaves either the old file or the complete new one, never a mix. Where
// the file system allows it the temporary file is unnamed (O_TMPFILE) until
// it is complete, so a process killed while writing leaves nothing behind;
// elsewhere it is ".<name>.tmp<process id>-<number>", and every write to a
// folder first removes such files of processes that are gone (see
// removeStaleTemporaryFiles). A target
// that is a symbolic link is followed: the file it points to is replaced.
// An existing target keeps its permission bits; a new file gets 0666 minus
// the umask. Throws Error "Cannot create file "<path>". <reason>" on failure,
// after removing the temporary file.
void writeWholeFile(const std::string& path, std::span<const uint8_t> data);

// Takes the next bytes of a file being written.
using FileChunkSink = std::function<void(std::span<const uint8_t> bytes)>;
// Hands the whole content of a file to its sink, in order, in chunks of any
// size; it may be called more than once for one write and must give the
// same bytes each time.
using FileContent = std::function<void(const FileChunkSink& put)>;
// The same as writeWholeFile with data, for content made piece by piece, so
// that a large file need not be built whole in memory first. What content
// throws ends the write: the target stays as it was.
void writeWholeFileInChunks(const std::string& path, const FileContent& content);

// How long a temporary file of a process that is gone stays untouched
// before a later write to its folder removes it: a writer on another
// machine sharing the folder has a process id this machine does not know,
// and its file is still being written.
inline constexpr std::chrono::seconds kStaleTemporaryAge{120};

// Removes the temporary files writeWholeFile leaves in folder when its
// process is killed while writing through a named temporary file: names of
// its pattern whose process id is not running here and that were not
// modified for minimumAge. Nothing else is touched. Returns how many went.
int removeStaleTemporaryFiles(const std::string& folder, std::chrono::seconds minimumAge);

// Whether writeWholeFile may use unnamed temporary files (true unless
// changed); false makes it write through named ones as on a file system
// without O_TMPFILE. For tests of that road.
void allowUnnamedTemporaryFiles(bool allowed);

}  // namespace glyphon
