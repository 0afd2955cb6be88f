// The raw image dialog: edits the text header (".hdr") that describes a file
// of bare pixel bytes (data file, columns, rows, planes, bits per pixel,
// bytes to skip, photometric kind), loads an existing header into its
// fields and writes the header whole or not at all.
#pragma once

#include <string>

#include "ui/core/dataexchange.h"

namespace qzn {

// The fields of a raw image header.
struct RawHeaderFields {
  std::string dataFile;
  unsigned columns = 1024;
  unsigned rows = 1024;
  unsigned planes = 1;
  int bitsPerPixel = 8;
  long long skipBytes = -1;  // negative: the reader takes the data from the end of the file
  int photometric = 0;       // 0 zero is white, 1 zero is black, 2 colour
};

// Reads a header into the fields: each line is tested for "FILENAME",
// "COLS", "ROWS", "PLANES", "BITSPERPIXEL", "MINISBLACK", "MINISWHITE",
// "COLOR", "SKIPBYTES" at its start, the first match deciding; the value is
// what follows the keyword and one separating character (a line no longer
// than that gives an empty value, 0 for a number). Keywords missing from
// the file leave their fields as they were. False when the file cannot be
// read.
bool ReadRawHeader(const std::string& path, RawHeaderFields& fields);
// Writes the header (temporary file renamed into place); false on failure,
// the previous file then unchanged.
bool WriteRawHeader(const std::string& path, const RawHeaderFields& fields);

// Dialog 184 kRawImageTitle.
class CRawImageDlg : public CDialogModel {
 public:
  enum : int {
    kId = 184,
    kHeaderBrowse = 1055,
    kHeaderName = 1056,
    kDataName = 1058,
    kDataBrowse = 1059,
    kColumns = 338,
    kRows = 339,
    kPlanes = 1062,
    kSkip = 1064,
    kMinIsWhite = 1033,
    kMinIsBlack = 310,
    kColour = 311,
    kSaveHeader = 143
  };
  std::string headerFile;
  RawHeaderFields fields;

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
  bool PlaceAtCorner() const override { return false; }

 private:
  // Writes the header after the names were checked; false (with the
  // message) when the dialog must stay open.
  bool Save(bool tellSuccess);
};

}  // namespace qzn
