// Image files by type: the content sniffer, the one entry point that reads
// any supported image file, the Windows bitmap (.BMP) reader, and the packed
// device-independent bitmap (DIB) pair that moves a BMP between file and
// memory.
//
// Every reader fills a fresh record and hands it over (CRasterImage::MoveFrom)
// only when the whole image was read: on failure the caller's record is left as it was, and on
// success it holds nothing of the previous image (palette, tie points,
// transformation, colour cache).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/wintypes.h"
#include "raster/rasterimage.h"

namespace qzn {

// File type codes by content.
enum : int {
  kImageTypeUnknown = 0,
  kImageTypeTiff = 1,
  kImageTypeBmp = 2,
  kImageTypeDicom = 3,
  kImageTypeStack = 4,
  kImageTypeRaw = 5,  // raw pixels described by a text header
  kImageTypeJpeg = 6,
  kImageTypeGif = 7,
  kImageTypePng = 9,
};

// The type of an image file by its first bytes: "BM" BMP, "FI" raw header,
// "GIF8" GIF, "II"/"MM" TIFF, "STACK", FF D8 JPEG, the PNG signature, "DICM"
// at byte 128 DICOM; 0 when the file cannot be read or is none of these.
int GetImageFileType(const std::string& path);

// True when the file's own extension (the part of its name after the last
// dot) is ext, compared without regard to case; ext is given with its dot,
// e.g. ".RLC". Directories named "x.rlc" in the path do not count.
bool HasFileExtension(const std::string& path, const char* ext);

// How a read by type went, for the caller's messages.
struct CImageReadOutcome {
  int type = kImageTypeUnknown;  // the type the file was read as (RLC: kImageTypeRlc)
  int orientation = 1;           // TIFF Orientation tag
  bool missing = false;          // the file does not exist
  // On failure, what the user is told: the missing file, an unknown type,
  // or the reader's reason ("打开 JPEG 文件: ..."). Empty when the reader
  // has shown its own message.
  std::string message;
};

// Pseudo type code of RLC files, which are known by their extension alone.
inline constexpr int kImageTypeRlc = 100;

// Reads any supported image file into the record: RLC by extension, the
// others by content. 1 on success, 0 on failure; the record is changed only
// on success. Shows nothing itself.
int ReadImageByType(const std::string& fileName, CRasterImage& image, CImageReadOutcome& outcome);

// ReadImageByType, showing the message of a failure. 1 or 0.
int ReadImageFile(const std::string& fileName, CRasterImage& image);

// The BMP reader: 1 on success, -1 open or read failure (also a file shorter
// than its pixel data), -2 out of memory, -3 not a supported bitmap (core
// headers, bit counts other than 1, 4, 8 and 24, compression other than none
// and RLE8 at 8 bits).
int ReadBmpIntoImage(const std::string& fileName, CRasterImage& image);

// ---- packed DIBs ----
// One block: the bitmap info header, the colour table and the pixel rows, as
// in a .BMP file without its 14-byte file header.
struct CDib {
  std::vector<BYTE> data;
};
using HDIB = CDib*;

// A new zeroed block of that many bytes, or null.
HDIB AllocDib(std::size_t bytes);
// A 24-bit DIB of an RGB picture given top row first, 3 bytes a pixel
// without padding; null when the sizes are not positive or memory is short.
HDIB MakeRgbDib(int width, int height, const BYTE* rgb);
// Reads a .BMP file into a packed DIB; null on failure (a missing file shows
// DIB error 19).
HDIB LoadBmpAsDib(const std::string& fileName);
// Writes the DIB as a .BMP file, in full or not at all. 0 when written;
// otherwise a DIB error code, which is also shown: 20 no DIB, 21 a block
// without a 40-byte Windows info header or too short for the sizes in it,
// 4 the file cannot be created or written.
int SaveDibAsBmp(HDIB dib, const std::string& fileName);
void FreeDib(HDIB dib);
// The DIB error texts, codes 0 to 21; any other code has a text of its own.
const char* DibErrorText(int code);
void ShowDibError(int code);

// ---- why a reader refused a file ----

// What the user is told when an image file cannot be read: the reason, in
// the words of the TIFF reader's codes where one fits, and, where there is
// more to say, what exactly (a decoder's own report, the sizes refused).
// An empty reason means the reader has shown its message itself.
struct CImageReadProblem {
  std::string reason;
  std::string detail;
  void Set(const char* why, std::string what = std::string()) {
    reason = why;
    detail = std::move(what);
  }
  // "打开 <format> 文件: <reason>", the detail after it in brackets.
  std::string Message(const char* format) const;
};

// Hands a reader's refusal to its caller's problem (which may be null):
// refuse(reason, detail) sets it and gives the reader's failure result, 0.
class CReadRefusal {
 public:
  explicit CReadRefusal(CImageReadProblem* problem) : m_problem(problem) {
    if (m_problem) *m_problem = CImageReadProblem();
  }
  int operator()(const char* reason, std::string detail = std::string()) const {
    if (m_problem) m_problem->Set(reason, std::move(detail));
    return 0;
  }

 private:
  CImageReadProblem* m_problem;
};

// The reasons (texts of the message catalogue).
extern const char* const kReadNotThisFormat;
extern const char* const kReadNoMemory;
extern const char* const kReadBadSize;
extern const char* const kReadDamaged;
extern const char* const kReadCmyk;
extern const char* const kReadUnsupported;

// "W x H 像素", the detail of a refused size.
std::string PixelSizeText(std::int64_t width, std::int64_t height);

// The message of a missing file, said before any reader is tried.
std::string MissingFileMessage(const std::string& path);

// ---- helpers shared by the image readers and writers ----

// A C stream closed when it goes out of scope.
struct CFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using CFilePtr = std::unique_ptr<std::FILE, CFileCloser>;

// The length of an open stream in bytes (its position is kept), or -1.
std::int64_t StreamSize(std::FILE* f);

// Photometric code of a bilevel image from its two colours: 0 (white is
// zero) when colour 1 is darker than colour 0 in all of red, green and blue,
// else 1.
Photometric BilevelPhotometric(int r0, int g0, int b0, int r1, int g1, int b1);

// Packs count bytes of 0/1 (only bit 0 counts) into a row, most significant
// bit first; padding bits of the last byte are cleared.
void PackBits(const BYTE* in, std::int64_t count, BYTE* out);

// True when an image of that geometry can be held: width and height in
// 1..INT32_MAX and row-bytes x planes x height within the address space.
bool ImageGeometryFits(std::int64_t width, std::int64_t height, int planes, int bits);

}  // namespace qzn
