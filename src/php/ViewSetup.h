// The set-up every new editing view gets: lexer, margins, folding, list images, keywords, styles.
#pragma once

#include "win/EditorView.h"

class Settings;

void SetUpView(const EditorView& view, const Settings& settings);
