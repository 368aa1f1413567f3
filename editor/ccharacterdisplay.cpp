#include "editor/ccharacterdisplay.h"

void CCharacterDisplay::setText(const char* newText) {
    setText(std::string(newText != nullptr ? newText : ""));
}

void CCharacterDisplay::setText(const std::string& newText) {
    if (newText != text) {
        text = newText;
        setDirty(true);
    }
    length = uint16_t(newText.size() > 0xFFFF ? 0xFFFF : newText.size());
}

void CCharacterDisplay::overwriteText(const char* newText, size_t position) {
    overwriteText(std::string(newText != nullptr ? newText : ""), position);
}

void CCharacterDisplay::overwriteText(const std::string& newText, size_t position) {
    if (position > text.size()) return;
    text.replace(position, newText.size(), newText);
    setDirty(true);
}

void CCharacterDisplay::clearText() {
    text.clear();
    setDirty(true);
}

void CCharacterDisplay::setAlignment(int16_t value) {
    if (value == alignment) return;
    alignment = value;
    setDirty(true);
}
