// The batch run over a list of images, with its log.
//
// The log is written as the run goes, each entry flushed, so a run that is
// stopped or crashes still leaves the record of the images it got through.
// It is a text file in the Chinese code page with CRLF line ends, like the
// program's other text files.
#include "app/batchrun.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <new>
#include <string_view>

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"

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

  // UTF-8 text, the parts one after the other; '\n' goes out as CRLF.
  // Without a file, nothing.
  void Write(std::initializer_list<std::string_view> parts) {
    if (!m_file) return;
    std::string crlf;
    for (std::string_view part : parts)
      for (char c : part) {
        if (c == '\n') crlf += '\r';
        crlf += c;
      }
    const std::string gbk = Utf8ToGbk(crlf);
    std::fwrite(gbk.data(), 1, gbk.size(), m_file);
    std::fflush(m_file);
  }

 private:
  std::FILE* m_file;
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

std::string OutputPath(const std::string& image, int outputType) {
  CFilePath p(image);
  return p.GetDirectory() + p.GetNamePart() + BatchOutputExtension(outputType);
}

}  // namespace

const char* BatchOutputExtension(int outputType) {
  switch (outputType) {
    case kBatchOutputDxf:
      return ".DXF";
    case kBatchOutputMif:
      return ".MIF";
    case kBatchOutputShape:
      return ".SHP";
    case kBatchOutputProject:
      return ".PRJ";
    default:
      return ".GEN";
  }
}

int RunBatch(const CBatchSettings& settings, const std::function<void(std::size_t)>& onImage) {
  const std::string logPath = settings.logPath.empty() ? std::string("batch.log") : settings.logPath;
  CBatchLog log(logPath);
  log.Write({Now()});
  log.Write({FormatC("\n已矢量化文件总数: %d\n", static_cast<int>(settings.images.size()))});
  const int straighten = settings.sourceType == "CAD 图形" ? 1 : 0;
  Host().SetStatusText("当前处理进程...");

  int done = 0;
  for (std::size_t i = 0; i < settings.images.size(); ++i) {
    const std::string& image = settings.images[i];
    if (onImage) onImage(i);
    std::unique_ptr<CQznDoc> doc;
    try {
      doc = std::make_unique<CQznDoc>();
    } catch (const std::bad_alloc&) {
      AfxMessageBox("超出内存", MB_OK | MB_ICONSTOP);
      break;
    }
    log.Write({"\n", Now()});
    log.Write({"\n开始矢量化 ", image});

    // Quiet before the open: the side files beside the image are read by
    // the open itself (their questions count as yes), once.
    CQuietScope quiet;
    if (!doc->OnOpenDocument(image)) {
      log.Write({"\n不能打开或处理 ", image});
      continue;
    }

    if (!settings.script.empty()) {
      for (const std::string& line : settings.script) {
        if (doc->RunMacroCommand(line))
          log.Write({line, " 在 ", image, " 上的全部功能\n"});
        else
          log.Write({"执行 ", line, " 在 ", image, " 上失败\n"});
      }
    } else {
      if (!doc->IsGreyImage() && !doc->IsBilevelImage()) {
        log.Write({"\n图像类型不支持批量矢量化: ", image});
        continue;
      }
      const RECT none{0, 0, 0, 0};
      if (!doc->Vectorize(none, 0, settings.vectorKind, 0, straighten)) {
        log.Write({"\n矢量化时发生错误 ", image});
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
      log.Write({"\n发生错误，保存矢量数据到 ", output});
      continue;
    }
    log.Write({"\n", image, " 已矢量化。 \n矢量数据已保存到 ", output, "\n当前时间是 ", Now(), "\n"});
    ++done;
  }

  AfxMessageBox(FormatC("成功的处理 %d 个图像。 检查 %s 获得更多信息", done, logPath.c_str()),
                MB_OK | MB_ICONINFORMATION);
  return done;
}

}  // namespace qzn
