// The operator prompts that exist in every language of the program: the default-parameter
// question at connection and the prompts of the teach assistant. Each prompt is taken whole from
// the table in the operator's language; nothing is composed and nothing has placeholders.
#pragma once

// One row of the table per prompt.
enum AssistantMessage : int {
    TxtSendDefaults = 0,   // connection: send default parameters? (yes/no)
    TxtParamCancelled,     // assistant cancelled before or during the adjustment
    TxtTeachCancelled,     // assistant cancelled during teaching
    TxtHowManyColors,      // first colour-count prompt
    TxtReenterColorCount,  // colour-count prompt again after a value out of range
    TxtColorCountDefault,  // the largest colour count is used
    TxtDirectOutputs,      // direct or binary-coded outputs? (yes/no)
    TxtPlaceBrightest,     // before the automatic adjustment
    TxtAutoAdjust,         // defaults are sent and the sensor adjusts itself
    TxtPlaceColor,         // for each colour to be taught
    TxtColorTooBright,     // a taught colour is brighter than the brightest one (yes/no)
    TxtSavedToEeprom,      // end of teaching
    kAssistantMessageCount
};

// Language index as the language selector and the panel settings file keep it.
enum Language : int {
    kLanguageGerman = 0,
    kLanguageEnglish,
    kLanguageFrench,
    kLanguageSpanish,
    kLanguagePortuguese,
    kLanguageItalian,
    kLanguagePolish,
    kLanguageCount
};

// The table itself, UTF-8: AssistantTexts[message][language].
extern const char* const AssistantTexts[kAssistantMessageCount][kLanguageCount];

// The text of `msg` in `language`. A language index outside 0..6 (an edited settings file can
// hold anything) gives the English text. A message outside the table gives "". Never null; the
// text is static and lives as long as the program.
const char* AssistantText(AssistantMessage msg, int language);
