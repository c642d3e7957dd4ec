// 朗读单词, 美音 / 英音 and 听写: the English voice in the features' menu.
//
// In practice each new word on the canvas is spoken while 朗读单词 is on;
// in the test the entry asked is spoken only while 听写 (dictation) is on,
// as hearing it otherwise gives the answer away. F2 says the word again.
// All of it is off until the learner turns it on; the choices are kept in
// the settings file of the data folder.
#pragma once

namespace kestran::speech {

// Adds the menu items and the hooks. Once, at start-up.
void Install();

}  // namespace kestran::speech
