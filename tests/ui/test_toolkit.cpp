// The toolkit starts on the test display and takes the Chinese interface
// texts whole, whatever the process locale.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/stattext.h>

TEST(Toolkit, ChineseLabelsSurviveTheConversion) {
  auto* frame = new wxFrame(nullptr, wxID_ANY, wxString::FromUTF8("3D 视图"));
  auto* label = new wxStaticText(frame, wxID_ANY, wxString::FromUTF8("从 QZN 退出吗?"));
  EXPECT_EQ(frame->GetTitle().ToStdString(wxConvUTF8), "3D 视图");
  EXPECT_EQ(label->GetLabel().ToStdString(wxConvUTF8), "从 QZN 退出吗?");
  frame->Destroy();
}
