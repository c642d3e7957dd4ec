// Window procedures of the five image buttons.
#pragma once

#include "platform/platform.h"

namespace kestran {

plat::LResult OpenButtonProc(plat::Window, plat::MessageId, plat::WParam, plat::LParam);
plat::LResult OrderButtonProc(plat::Window, plat::MessageId, plat::WParam, plat::LParam);
plat::LResult ModeButtonProc(plat::Window, plat::MessageId, plat::WParam, plat::LParam);
plat::LResult ColourButtonProc(plat::Window, plat::MessageId, plat::WParam, plat::LParam);
plat::LResult EffectsButtonProc(plat::Window, plat::MessageId, plat::WParam, plat::LParam);

}  // namespace kestran
