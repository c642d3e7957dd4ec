#include "platform/win32/sapi_voice.h"

#include <cwchar>
#include <cwctype>

#include "platform/win32/windows_fence.h"
#include <sapi.h>

namespace plat::win32 {
namespace {

unsigned LanguageOf(VoiceAccent accent) { return accent == VoiceAccent::British ? 0x809 : 0x409; }

bool SpeaksLanguage(const std::wstring& attribute, unsigned language) {
    const wchar_t* at = attribute.c_str();
    while (*at) {
        wchar_t* end = nullptr;
        const unsigned long id = std::wcstoul(at, &end, 16);
        if (end == at) break;
        if (id == language) return true;
        at = end;
        while (*at == L';' || std::iswspace(*at)) ++at;
    }
    return false;
}

std::wstring LanguageAttribute(ISpObjectToken* token) {
    ISpDataKey* attributes = nullptr;
    std::wstring language;
    if (SUCCEEDED(token->OpenKey(L"Attributes", &attributes)) && attributes) {
        wchar_t* value = nullptr;
        if (SUCCEEDED(attributes->GetStringValue(L"Language", &value)) && value) {
            language = value;
            ::CoTaskMemFree(value);
        }
        attributes->Release();
    }
    return language;
}

}  // namespace

int ChooseVoice(const std::vector<std::wstring>& languages, VoiceAccent accent) {
    for (std::size_t i = 0; i < languages.size(); ++i)
        if (SpeaksLanguage(languages[i], LanguageOf(accent))) return static_cast<int>(i);
    return -1;
}

// The voice lives as long as the process: its objects belong to the
// speaking thread's COM, which the thread ending the process does not own.
SapiVoice::~SapiVoice() = default;

void SapiVoice::LookUpVoices() {
    looked_ = true;
    // The speaking thread's own COM, kept for its life.
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ISpObjectTokenCategory* category = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL, IID_ISpObjectTokenCategory,
                                  reinterpret_cast<void**>(&category))))
        return;
    IEnumSpObjectTokens* found = nullptr;
    std::vector<ISpObjectToken*> tokens;
    if (SUCCEEDED(category->SetId(SPCAT_VOICES, FALSE)) && SUCCEEDED(category->EnumTokens(nullptr, nullptr, &found))) {
        ISpObjectToken* token = nullptr;
        while (found->Next(1, &token, nullptr) == S_OK && token) tokens.push_back(token);
        found->Release();
    }
    category->Release();

    std::vector<std::wstring> languages;
    for (ISpObjectToken* token : tokens) languages.push_back(LanguageAttribute(token));
    for (VoiceAccent accent : {VoiceAccent::American, VoiceAccent::British}) {
        const int chosen = ChooseVoice(languages, accent);
        if (chosen < 0) continue;
        tokens[chosen]->AddRef();
        tokens_[static_cast<int>(accent)] = tokens[chosen];
    }
    for (ISpObjectToken* token : tokens) token->Release();
    if (!tokens_[0] && !tokens_[1]) return;
    ::CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice, &voice_);
}

bool SapiVoice::Speak(const wchar_t* word, VoiceAccent accent) {
    if (!looked_) LookUpVoices();
    auto* voice = static_cast<ISpVoice*>(voice_);
    auto* token = static_cast<ISpObjectToken*>(tokens_[static_cast<int>(accent)]);
    if (!voice || !token || FAILED(voice->SetVoice(token))) return false;
    // Returns at once; the word said before is cut off.
    return SUCCEEDED(voice->Speak(word, SPF_ASYNC | SPF_PURGEBEFORESPEAK | SPF_IS_NOT_XML, nullptr));
}

void SapiVoice::Stop() {
    // No text with the purge flag discards what is left to say.
    if (auto* voice = static_cast<ISpVoice*>(voice_)) voice->Speak(nullptr, SPF_ASYNC | SPF_PURGEBEFORESPEAK, nullptr);
}

}  // namespace plat::win32
