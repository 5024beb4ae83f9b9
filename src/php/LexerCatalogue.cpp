// The lexers linked into the program: the embedded-language HTML lexer and its two siblings,
// served through the library's usual CreateLexer entry points.
#include <cstring>

#include "ILexer.h"
#include "Lexilla.h"
#include "LexerModule.h"

// LexHTML defines its modules outside any namespace.
extern Lexilla::LexerModule lmHTML;
extern Lexilla::LexerModule lmXML;
extern Lexilla::LexerModule lmPHPSCRIPT;

namespace {

// Only the HTML lexer's file is linked; the full library would pull in over a hundred lexers.
const Lexilla::LexerModule* const modules[] = {&lmHTML, &lmXML, &lmPHPSCRIPT};
constexpr unsigned int moduleCount = sizeof(modules) / sizeof(modules[0]);

} // namespace

extern "C" {

Scintilla::ILexer5* LEXILLA_CALL CreateLexer(const char* name) {
    if (!name) return nullptr;
    for (const Lexilla::LexerModule* module : modules)
        if (std::strcmp(module->languageName, name) == 0) return module->Create();
    return nullptr;
}

int LEXILLA_CALL GetLexerCount() {
    return static_cast<int>(moduleCount);
}

void LEXILLA_CALL GetLexerName(unsigned int index, char* name, int buflength) {
    if (!name || buflength <= 0) return;
    *name = '\0';
    if (index >= moduleCount) return;
    const char* lexerName = modules[index]->languageName;
    if (std::strlen(lexerName) < static_cast<size_t>(buflength)) std::strcpy(name, lexerName);
}

} // extern "C"
