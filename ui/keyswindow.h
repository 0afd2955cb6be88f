// A window of our own whose keys are commands, never text: the image, the
// tab it lies in and the overview.
//
// The toolkit gives every window it does not draw itself an input-method
// context and focuses it with the window. Under the X input method, which
// GTK takes by default for Chinese, Japanese and Korean locales (with an
// input-method server or only Xlib's own), focusing that context ties the
// window to an input context of the X server, and from then on what the
// window paints reaches the screen one paint late: a scan opened under
// zh_CN.UTF-8 showed what the file dialog had left, F5 nothing new, F2 the
// whole scan. F2 to F6, the arrows, '+' and '-' are commands to the view,
// not text for an input method to compose, so these windows take their keys
// straight from the toolkit; the text fields of the dialogs keep the user's
// input method.
#pragma once

#include <utility>

#include <wx/window.h>

namespace qzn {

template <class Base>
class CKeysWindow : public Base {
 public:
  template <class... Args>
  explicit CKeysWindow(Args&&... args) : Base(std::forward<Args>(args)...) {
#ifdef __WXGTK__
    // A window made inside a shown parent is realised while it is made,
    // before this class's part of it exists.
    Park();
#endif
  }
  ~CKeysWindow() override {
#ifdef __WXGTK__
    // The toolkit releases the context it made.
    if (m_parkedIm) this->m_imContext = m_parkedIm;
#endif
  }

#ifdef __WXGTK__
  void GTKHandleRealized() override {
    // Realised again: the toolkit keeps using the context it made first.
    if (m_parkedIm) this->m_imContext = m_parkedIm;
    m_parkedIm = nullptr;
    Base::GTKHandleRealized();
    Park();
  }

 private:
  // Without a context the toolkit turns key presses into key and character
  // events itself and never focuses an input context.
  void Park() {
    if (m_parkedIm || !this->m_imContext) return;
    m_parkedIm = this->m_imContext;
    this->m_imContext = nullptr;
  }

  GtkIMContext* m_parkedIm = nullptr;
#endif
};

}  // namespace qzn
