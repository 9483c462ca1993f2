#include "engine/documents/BatchProgress.h"

#include <filesystem>
#include <new>
#include <set>

#include "engine/core/Error.h"

namespace glyphon {

namespace {

constexpr size_t kBarWidth = 30;

}  // namespace

BatchProgress::BatchProgress(std::FILE* out, size_t total, bool asBar)
    : m_out(out), m_total(total), m_asBar(asBar) {}

void BatchProgress::drawBar() {
  const size_t finished = m_done + m_failed;
  const size_t filled = m_total ? finished * kBarWidth / m_total : kBarWidth;
  std::fprintf(m_out, "\r[%s%s] %zu/%zu", std::string(filled, '#').c_str(),
               std::string(kBarWidth - filled, '.').c_str(), finished, m_total);
  if (m_failed) std::fprintf(m_out, ", %zu failed", m_failed);
  std::fflush(m_out);
}

void BatchProgress::done(const TableRow& row) {
  ++m_done;
  if (m_asBar)
    drawBar();
  else
    std::fprintf(m_out, "glyphon-render: %zu/%zu line %lld: wrote %s\n", m_done + m_failed, m_total,
                 static_cast<long long>(row.Line), row.Output.c_str());
}

void BatchProgress::failed(const TableRow& row, const std::string& why) {
  ++m_failed;
  // A failure is always a line of its own, above the bar.
  if (m_asBar) std::fputs("\r\033[K", m_out);
  std::fprintf(m_out, "glyphon-render: line %lld (row %lld): %s\n",
               static_cast<long long>(row.Line), static_cast<long long>(row.Row), why.c_str());
  if (m_asBar) drawBar();
}

void BatchProgress::finish() {
  if (m_asBar) std::fputc('\n', m_out);
  if (m_failed) std::fprintf(m_out, "glyphon-render: %zu of %zu rows failed\n", m_failed, m_total);
}

bool renderTable(BatchRenderer& renderer, std::span<const TableRow> rows, bool stopOnError,
                 BatchProgress& progress) {
  namespace fs = std::filesystem;
  std::set<std::string> written;
  bool allMade = true;
  for (const TableRow& row : rows) {
    std::string problem = row.Problem;
    if (problem.empty() && !written.insert(fs::absolute(row.Output).lexically_normal()).second)
      problem = "another row already wrote \"" + row.Output + "\"";
    if (problem.empty()) {
      try {
        const fs::path folder = fs::path(row.Output).parent_path();
        std::error_code ec;
        if (!folder.empty()) fs::create_directories(folder, ec);
        renderer.renderPicture(row.Changes, row.Backdrop, row.Output);
      } catch (const Error& e) {
        problem = e.what();
      } catch (const std::bad_alloc&) {
        problem = "out of memory";
      }
    }
    if (problem.empty()) {
      progress.done(row);
      continue;
    }
    progress.failed(row, problem);
    allMade = false;
    if (stopOnError) break;
  }
  progress.finish();
  return allMade;
}

}  // namespace glyphon
