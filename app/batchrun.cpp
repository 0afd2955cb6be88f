// The batch run over a list of images, with its log.
//
// The log is written as the run goes, each entry flushed, so a run that is
// stopped or crashes still leaves the record of the images it got through.
// It is a text file in the Chinese code page with CRLF line ends, like the
// program's other text files.
#include "app/batchrun.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <new>
#include <string_view>

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_app.h"
#include "resources/messages_common.h"
#include "resources/messages_window.h"

namespace qzn {

namespace {

class CBatchLog {
 public:
  explicit CBatchLog(const std::string& path) : m_file(std::fopen(path.c_str(), "wb")) {}
  ~CBatchLog() {
    if (m_file) std::fclose(m_file);
  }
  CBatchLog(const CBatchLog&) = delete;
  CBatchLog& operator=(const CBatchLog&) = delete;

  // One entry: UTF-8 text, the parts one after the other; '\n' goes out as
  // CRLF. Every entry begins a line of its own, so entries that do not
  // start with a line end (a script line's result after "开始矢量化 ...")
  // do not run on from the one before. Without a file, nothing.
  void Write(std::initializer_list<std::string_view> parts) {
    if (!m_file) return;
    std::string crlf;
    const bool startsLine = parts.size() > 0 && !parts.begin()->empty() && parts.begin()->front() == '\n';
    if (m_midLine && !startsLine) crlf += "\r\n";
    for (std::string_view part : parts)
      for (char c : part) {
        if (c == '\n') crlf += '\r';
        crlf += c;
      }
    if (!crlf.empty()) m_midLine = crlf.back() != '\n';
    const std::string gbk = Utf8ToGbk(crlf);
    std::fwrite(gbk.data(), 1, gbk.size(), m_file);
    std::fflush(m_file);
  }

 private:
  std::FILE* m_file;
  bool m_midLine = false;
};

// The locale's date and time ("%c").
std::string Now() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  char text[128];
  const std::size_t n = std::strftime(text, sizeof text, "%c", &local);
  return std::string(text, n);
}

// The log's path as the final message names it: a bare name goes beside
// the first image (not into whatever directory the program was started
// from), and the path is made absolute.
std::string LogPath(const CBatchSettings& settings) {
  std::filesystem::path log(settings.logPath.empty() ? std::string("batch.log") : settings.logPath);
  if (log.is_relative() && !settings.images.empty()) {
    const std::filesystem::path first(settings.images.front());
    if (first.has_parent_path()) log = first.parent_path() / log;
  }
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(log, ec);
  return (ec ? log : full).lexically_normal().string();
}

std::string OutputPath(const std::string& image, int outputType) {
  CFilePath p(image);
  return p.GetDirectory() + p.GetNamePart() + BatchOutputExtension(outputType);
}

}  // namespace

const char* BatchOutputExtension(int outputType) {
  switch (outputType) {
    case kBatchOutputDxf: return ".DXF";
    case kBatchOutputMif: return ".MIF";
    case kBatchOutputShape: return ".SHP";
    case kBatchOutputProject: return ".PRJ";
    default: return ".GEN";
  }
}

int RunBatch(const CBatchSettings& settings, const std::function<void(std::size_t)>& onImage) {
  const std::string logPath = LogPath(settings);
  CBatchLog log(logPath);
  log.Write({Now()});
  log.Write({FormatC(res::text::kLogImageCountFormat, static_cast<int>(settings.images.size()))});
  const int straighten = settings.sourceType == res::text::kSourceCad ? 1 : 0;
  Host().SetStatusText(res::text::kBatchProcessing);

  int done = 0;
  for (std::size_t i = 0; i < settings.images.size(); ++i) {
    const std::string& image = settings.images[i];
    if (onImage) onImage(i);
    std::unique_ptr<CQznDoc> doc;
    try {
      doc = std::make_unique<CQznDoc>();
    } catch (const std::bad_alloc&) {
      AfxMessageBox(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
      break;
    }
    log.Write({"\n", Now()});
    log.Write({res::text::kLogStart, image});

    // Quiet before the open: the side files beside the image are read by
    // the open itself (their questions count as yes), once.
    CQuietScope quiet;
    if (!doc->OnOpenDocument(image)) {
      log.Write({res::text::kLogCannotOpen, image});
      continue;
    }

    if (!settings.script.empty()) {
      for (const std::string& line : settings.script) {
        // A line refused for a number outside its range says which range;
        // the run goes on with the next line.
        std::string refusal;
        if (doc->RunMacroCommand(line, &refusal))
          log.Write({line, res::text::kLogLineOn, image, res::text::kLogLineDone});
        else
          log.Write({res::text::kLogLineRun, line, res::text::kLogLineOn, image, res::text::kLogLineFailed, refusal});
      }
    } else {
      if (!doc->IsGreyImage() && !doc->IsBilevelImage()) {
        log.Write({res::text::kLogUnsupportedImage, image});
        continue;
      }
      const RECT none{0, 0, 0, 0};
      if (!doc->Vectorize(none, 0, settings.vectorKind, 0, straighten)) {
        log.Write({res::text::kLogVectorizeError, image});
        continue;
      }
    }

    const std::string output = OutputPath(image, settings.outputType);
    int written = 0;
    if (settings.outputType == kBatchOutputProject)
      written = doc->SaveProject(output);
    else if (doc->IsGeoreferenced())
      written = doc->ExportLinesGeo(output, settings.outputType);
    else
      written = doc->ExportLines(output, settings.outputType);
    if (!written) {
      log.Write({res::text::kLogSaveError, output});
      continue;
    }
    log.Write({"\n", image, res::text::kLogVectorized, output, res::text::kLogTimeNow, Now(), "\n"});
    ++done;
  }

  Host().SetStatusText(res::text::kReady);
  AfxMessageBox(FormatC(res::text::kBatchDoneFormat, done, logPath.c_str()), MB_OK | MB_ICONINFORMATION);
  return done;
}

}  // namespace qzn
