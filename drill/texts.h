// The texts the user sees, as the GBK bytes the program handles at run time.
// Each constant shows its text in a comment.
#pragma once

namespace kestran::texts {

inline constexpr char kProgramName[] = "KESTRAN";
inline constexpr char kExitQuestion[] = "\xC8\xB7\xB6\xA8\xD2\xAA\xCD\xCB\xB3\xF6\xC2\xF0?";  // 确定要退出吗?
inline constexpr char kWindowTitle[] = "\xB1\xEA\xD7\xBC\xB4\xB0\xBF\xDA";                  // 标准窗口
inline constexpr char kFileOrder[] = "\xCB\xB3\xD0\xF2";                                      // 顺序
inline constexpr char kRandomOrder[] = "\xCB\xE6\xBB\xFA";                                    // 随机
inline constexpr char kEffectsOn[] = "\xD0\xA7\xB9\xFB\xBF\xAA";                              // 效果开
inline constexpr char kEffectsOff[] = "\xD0\xA7\xB9\xFB\xB9\xD8";                             // 效果关
inline constexpr char kPracticeMode[] = "\xC1\xB7\xCF\xB0\xC4\xA3\xCA\xBD";                   // 练习模式
// 练习结束,点击空格或屏幕继续
inline constexpr char kPracticeFinished[] =
    "\xC1\xB7\xCF\xB0\xBD\xE1\xCA\xF8,\xB5\xE3\xBB\xF7\xBF\xD5\xB8\xF1\xBB\xF2\xC6\xC1\xC4\xBB\xBC\xCC\xD0\xF8";
inline constexpr char kTestMode[] = "\xB2\xE2\xCA\xD4\xC4\xA3\xCA\xBD";  // 测试模式
inline constexpr char kCorrectLabel[] = "\xD5\xFD\xC8\xB7:";             // 正确:
inline constexpr char kWrongLabel[] = "\xB4\xED\xCE\xF3:";               // 错误:
inline constexpr char kResultPrefix[] = "\xB2\xE2\xCA\xD4\xB3\xC9\xBC\xA8: ";  // "测试成绩: "
// " 分,点击空格或屏幕继续"
inline constexpr char kResultSuffix[] =
    " \xB7\xD6,\xB5\xE3\xBB\xF7\xBF\xD5\xB8\xF1\xBB\xF2\xC6\xC1\xC4\xBB\xBC\xCC\xD0\xF8";
inline constexpr char kWordFontFace[] = "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA";  // 微软雅黑
inline constexpr char kCreditFontFace[] = "Georgia";

static_assert(sizeof(kResultPrefix) - 1 == 10);
static_assert(sizeof(kResultSuffix) - 1 == 22);

}  // namespace kestran::texts
