#include "drill/create_child_window.h"

#include "drill/texts.h"

namespace kestran {

plat::Window CreateChildWindow(plat::Brush background, plat::WindowProc procedure, const char* className,
                               plat::Window parent, std::uint32_t style, int x, int y, int width, int height) {
    plat::WindowClass windowClass;
    windowClass.style = plat::CS_VREDRAW | plat::CS_HREDRAW | plat::CS_DBLCLKS;
    windowClass.procedure = procedure;
    windowClass.iconResource = kProgramIcon;
    windowClass.background = background;
    windowClass.className = className;
    plat::RegisterClass(windowClass);
    return plat::CreateWindow(className, texts::kWindowTitle, style, x, y, width, height, parent);
}

}  // namespace kestran
