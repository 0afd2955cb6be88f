// The command-line conversion: one scan opened, vectorised and written as
// ARC generate text, with no window. Messages and questions go through the
// host, which in a command-line run prints on stderr and takes the default
// answer.
#include "app/qznapp.h"

#include <filesystem>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "platform/pagezero.h"
#include "resources/messages_app.h"
#include "resources/messages_common.h"

namespace qzn {

const char* CommandLineUsage() { return res::text::kCommandLineUsage; }

CCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CCommandLine command;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() < 2 || (a[0] != '-' && a[0] != '/')) continue;
    auto next = [&]() -> std::string { return i + 1 < args.size() ? args[++i] : std::string(); };
    switch (a[1]) {
      case 'i':
      case 'I':
      case 'r':
      case 'R': command.input = next(); break;
      case 'o':
      case 'O':
      case 'v': command.output = next(); break;
      case 'b':
      case 'B': command.outline = 1; break;
      case 'c':
      case 'C': command.outline = 0; break;
      default: break;
    }
  }
  return command;
}

int CQznApp::Convert(const CCommandLine& command) {
  if (command.input.empty() || command.output.empty()) {
    AfxMessageBox(res::text::kMissingArguments, MB_OK | MB_ICONSTOP);
    return kExitUsage;
  }
  std::error_code ec;
  if (std::filesystem::equivalent(command.input, command.output, ec)) {
    // Writing the lines over the scan would lose it.
    AfxMessageBox(res::text::kOutputIsInput + command.output, MB_OK | MB_ICONSTOP);
    return kExitUsage;
  }
  std::unique_ptr<CQznDoc> doc(new (std::nothrow) CQznDoc);
  if (!doc) {
    AfxMessageBox(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
    return kExitFailed;
  }
  if (!doc->OnOpenDocument(command.input)) return kExitFailed;
  if (doc->m_nGeorefRefused) {
    // Lines in pixels where map coordinates were due would be wrong data.
    AfxMessageBox(res::text::kGeoreferenceRefusedNotConverted, MB_OK | MB_ICONSTOP);
    return kExitFailed;
  }
  if (!doc->IsGreyImage() && !doc->IsBilevelImage()) {
    AfxMessageBox(res::text::kOnlyGreyOrBilevel, MB_OK | MB_ICONSTOP);
    return kExitFailed;
  }
  CQuietScope quiet;  // from here on a batch run
  if (!doc->Vectorize(RECT{0, 0, 0, 0}, 0, command.outline, 0, 0)) {
    AfxMessageBox(res::text::kAutoConvertError, MB_OK | MB_ICONSTOP);
    return kExitFailed;
  }
  // Only the lines are written, through the extent and the georeference:
  // the pixels go before, so the text is made in their room. Giving a
  // scan's pages back takes a while (some 10 ms for 80 MB): another thread
  // does it while the text is made. It releases the pages and leaves the
  // block mapped (freeing the block at once would lock the process's map of
  // its memory, which the threads making the text need for their own new
  // pages); the emptied block goes afterwards.
  CRasterImage& image = doc->m_image;
  std::jthread releasing;  // joined before the document goes, should the writing throw
  if (image.pixels) {
    try {
      releasing = std::jthread([pixels = image.pixels, bytes = static_cast<std::size_t>(image.GetImageBytes())] {
        FillZeroReleasingPages(pixels, bytes);
      });
    } catch (const std::system_error&) {
      // No thread to be had: given back here.
    }
  }
  if (!releasing.joinable()) image.SetPixelBlock(nullptr);
  const int written = doc->IsGeoreferenced() ? doc->ExportLinesGeo(command.output, kExportGenerate)
                                             : doc->ExportLines(command.output, kExportGenerate);
  if (releasing.joinable()) releasing.join();
  image.SetPixelBlock(nullptr);
  if (!written) {
    AfxMessageBox(res::text::kSaveVectorError + command.output, MB_OK | MB_ICONSTOP);
    return kExitFailed;
  }
  // The process ends after the conversion and its memory goes back whole:
  // the lines (a gridded sheet's hundred thousand and more, made on the
  // worker threads) are not freed one by one first, which took some 20 ms
  // on 8 cores. The document stays where the leak checkers see it in use;
  // a later conversion in the same process frees it.
  static CQznDoc* converted = nullptr;
  delete converted;
  converted = doc.release();
  return kExitConverted;
}

int CQznApp::ProcessCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return 0;
  m_exitCode = Convert(ParseCommandLine(args));
  return 1;
}

}  // namespace qzn
