#include "ui/core/rawimagedlg.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_imagedlgs.h"

namespace qzn {

namespace {

// What follows the keyword and its separator; empty when the line ends
// before (never reading past the line).
std::string After(const std::string& line, std::size_t count) {
  return line.size() > count ? line.substr(count) : std::string();
}

long long Number(const std::string& line, std::size_t count) {
  return std::strtoll(After(line, count).c_str(), nullptr, 10);
}

unsigned Unsigned(long long v) { return static_cast<unsigned>(v); }

}  // namespace

bool ReadRawHeader(const std::string& path, RawHeaderFields& f) {
  CTextFileReader reader;
  if (!reader.Open(path)) return false;
  RawHeaderFields read = f;
  std::string line;
  while (reader.ReadLine(line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto starts = [&](std::string_view kw) { return std::string_view(line).substr(0, kw.size()) == kw; };
    if (starts("FILENAME"))
      read.dataFile = After(line, 9);
    else if (starts("COLS"))
      read.columns = Unsigned(Number(line, 5));
    else if (starts("ROWS"))
      read.rows = Unsigned(Number(line, 5));
    else if (starts("PLANES"))
      read.planes = Unsigned(Number(line, 7));
    else if (starts("BITSPERPIXEL"))
      read.bitsPerPixel = static_cast<int>(Number(line, 13));
    else if (starts("MINISBLACK"))
      read.photometric = 1;
    else if (starts("MINISWHITE"))
      read.photometric = 0;
    else if (starts("COLOR"))
      read.photometric = 2;
    else if (starts("SKIPBYTES"))
      read.skipBytes = Number(line, 10);
  }
  if (reader.Error()) return false;
  f = read;
  return true;
}

bool WriteRawHeader(const std::string& path, const RawHeaderFields& f) {
  CTextFileWriter out;
  if (!out.Open(path)) return false;
  out.Write("FILENAME " + f.dataFile + "\n");
  out.Printf("COLS %d\n", static_cast<int>(f.columns));
  out.Printf("ROWS %d\n", static_cast<int>(f.rows));
  out.Printf("PLANES %d\n", static_cast<int>(f.planes));
  out.Printf("BITSPERPIXEL %d\n", f.bitsPerPixel);
  out.Printf("SKIPBYTES %lld\n", f.skipBytes);
  out.Write("LITTLEENDIAN\n");
  out.Write(f.photometric == 0 ? "MINISWHITE\n" : f.photometric == 1 ? "MINISBLACK\n" : "COLOR\n");
  if (out.Error()) {
    out.Abort();
    return false;
  }
  return out.Close();
}

void CRawImageDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kColumns, fields.columns);
  DDX_Text(dx, kHeaderName, headerFile);
  DDX_Text(dx, kDataName, fields.dataFile);
  DDX_Text(dx, kPlanes, fields.planes);
  DDX_Text(dx, kRows, fields.rows);
  std::int64_t skip = fields.skipBytes;
  DDX_Text(dx, kSkip, skip);
  fields.skipBytes = skip;
  DDX_Radio(dx, {kMinIsWhite, kMinIsBlack, kColour}, fields.photometric);
}

void CRawImageDlg::OnClicked(int id, IDialogControls& c) {
  switch (id) {
    case kDataBrowse: {
      if (!UpdateData(c, true)) return;
      FileDialogRequest r;
      r.kind = FileDialogKind::open;
      r.fileName = fields.dataFile;
      r.flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
      r.filter = res::text::kRawDataFilter;
      const std::string path = AskFilePath(r);
      if (path.empty()) return;
      fields.dataFile = path;
      c.SetText(kDataName, path);
      return;
    }
    case kHeaderBrowse: {
      if (!UpdateData(c, true)) return;
      FileDialogRequest r;
      r.kind = FileDialogKind::save;
      r.defaultExtension = "hdr";
      r.fileName = headerFile;
      r.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
      r.filter = res::text::kRawHeaderFilter;
      const std::string path = AskFilePath(r);
      if (path.empty()) return;
      headerFile = path;
      // An existing header fills the fields; a new name is only shown.
      std::error_code ec;
      if (std::filesystem::is_regular_file(path, ec)) ReadRawHeader(path, fields);
      UpdateData(c, false);
      return;
    }
    case kSaveHeader:
      if (!UpdateData(c, true)) return;
      Save(true);
      return;
    default: return;
  }
}

bool CRawImageDlg::Save(bool tellSuccess) {
  if (headerFile.empty() || fields.dataFile.empty()) {
    AfxMessageBox(res::text::kHeaderNamesNeeded, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (!WriteRawHeader(headerFile, fields)) {
    AfxMessageBox(res::text::kHeaderSaveError, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (tellSuccess) AfxMessageBox(std::string(res::text::kHeaderSavedPrefix) + headerFile, MB_OK | MB_ICONINFORMATION);
  return true;
}

bool CRawImageDlg::OnOK(IDialogControls& c) { return UpdateData(c, true) && Save(false); }

}  // namespace qzn
