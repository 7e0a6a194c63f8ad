#include "Main_form.h"

#include "BoardTexts.h"
#include "PageBridge.h"

#include <string>

namespace tarnwick {

void Main_form::showPicture(int hole, HolePicture picture)
{
    const bool peg = picture == HolePicture::peg;
    tarnwick_page_show_picture(hole, peg ? 1 : 0, BoardTexts::holeName(hole, peg).c_str());
}

void Main_form::beginDrag(int hole)
{
    tarnwick_page_begin_drag(hole);
}

void Main_form::endDrag()
{
    tarnwick_page_end_drag();
}

void Main_form::showKeyboardFocus(int hole, std::string_view spoken)
{
    const std::string terminated(spoken);
    tarnwick_page_show_keyboard_focus(hole, terminated.c_str());
}

void Main_form::showMessage(std::string_view text)
{
    const std::string terminated(text);
    tarnwick_page_show_message(terminated.c_str());
}

void Main_form::endProgram()
{
    tarnwick_page_end_program();
}

} // namespace tarnwick
