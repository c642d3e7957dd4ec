#include "app/end_program.h"

#include "drill/feature_hooks.h"
#include "platform/platform.h"

namespace kestran {

void EndProgram(int status) {
    hooks::programEnding();
    plat::Exit(status);
}

}  // namespace kestran
