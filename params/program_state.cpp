#include "params/program_state.h"

int32_t LanguageIndex = 0;

void InitProgramState() { LanguageIndex = 0; }
