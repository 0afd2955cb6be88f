// The main of the test programs of the window: starts the toolkit once (on
// the X11 display Xvfb provides, see tools/run-tests.sh), runs every test and
// shuts the toolkit down. Its object takes the place of gtest's own main.
#include <cstdlib>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

namespace {
// A failed toolkit assertion fails the running test instead of opening a
// dialog that nobody answers on the test display.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg) {
  ADD_FAILURE_AT(file.utf8_str().data(), line) << "toolkit assertion " << cond.utf8_str().data() << " in "
                                               << func.utf8_str().data() << ": " << msg.utf8_str().data();
}
}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // wxGTK picks Wayland when it can; the tests (and Xvfb) are X11.
  setenv("GDK_BACKEND", "x11", 0);
  // Listing the tests needs no display.
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv)) {
    std::fprintf(stderr, "the toolkit could not start (is DISPLAY set? run under xvfb-run -a)\n");
    return 1;
  }
  wxTheApp->CallOnInit();
  wxSetAssertHandler(FailOnAssert);
  wxLog::SetActiveTarget(new wxLogStderr);
  const int rc = RUN_ALL_TESTS();
  wxEntryCleanup();
  return rc;
}
