// The pop-ups of the teach assistant: each shows a prompt of the multilingual table in the
// operator's language (LanguageIndex), with the pop-up kind and title the assistant gives it.
#pragma once

#include <cstddef>

#include "params/assistant_texts.h"

// The colour-count input field takes at most this many characters.
inline constexpr int kColorCountInputLength = 49;

// A message with one OK button.
void ShowAssistantMessage(AssistantMessage msg, const char* title = "");
// A yes/no question with an empty title; true for yes.
bool AskAssistantQuestion(AssistantMessage msg);
// OK and CANCEL (Enter = OK, Escape = CANCEL). With `input` not null the pop-up has a text field
// of kColorCountInputLength characters and `input` (kColorCountInputLength + 1 bytes) receives
// its text. True for OK.
bool AskAssistantOkCancel(AssistantMessage msg, const char* title, char* input);

// The colour count the operator typed: a leading decimal integer after leading blanks, with an
// optional sign; conversion stops at the first non-digit and no digits give 0. Values beyond
// the int range saturate instead of overflowing, so they stay out of every valid range.
int ColorCountFromText(const char* text);
