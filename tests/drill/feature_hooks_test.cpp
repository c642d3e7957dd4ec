// The hooks as features meet them: ClearAllForTest leaves no hook set, and
// a procedure more than a hook holds ends the program instead of being
// dropped without a word.
#include <gtest/gtest.h>

#include <type_traits>

#include "drill/feature_hooks.h"

namespace kestran::hooks {
namespace {

template <class Result, class... Args>
Result Nothing(Args...) {
    if constexpr (!std::is_void_v<Result>) return Result{};
}

template <class Result, class... Args>
void AddNothing(Hook<Result(Args...)>& hook) {
    hook.Add(&Nothing<Result, Args...>);
}

TEST(FeatureHooks, ClearingForTestsEmptiesEveryHook) {
    // practiceWordShown and testEntryShown were once left out of the
    // clearing, so a test's procedures reached the next test.
    AddNothing(practiceWordMissed);
    AddNothing(practiceWordShown);
    AddNothing(testEntryShown);
    AddNothing(uiMessage);
    ClearAllForTest();
    EXPECT_FALSE(AnyHook::AnyHookSetForTest());
    EXPECT_FALSE(practiceWordShown.IsSet() || testEntryShown.IsSet());
}

TEST(FeatureHooks, AProcedureTooManyEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static Hook<void()> spare;  // the test's own, so that no drill hook is left full
    for (int i = 0; i < kHookProcedures; ++i) AddNothing(spare);
    EXPECT_DEATH(AddNothing(spare), "hook is full");
    spare.ClearForTest();
}

}  // namespace
}  // namespace kestran::hooks
