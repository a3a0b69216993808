// The prompt table: exact bytes where the texts are easy to get wrong (blanks before line breaks,
// doubled blanks, curly quotes, letters beyond ASCII), and that no language index reads outside.
// Non-ASCII letters are written as their UTF-8 bytes, so a source read in another encoding or
// a text typed with a look-alike character fails here.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>

#include "params/assistant_texts.h"

namespace {

// True when s is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(const std::string& s)
{
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = 0;
        unsigned min = 0, cp = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, cp = b & 0x07;
        } else {
            return false;
        }
        if (i + extra >= s.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

std::string Text(AssistantMessage msg, int language) { return AssistantText(msg, language); }

}  // namespace

TEST(Utf8Check, RejectsWhatItShould)
{
    EXPECT_TRUE(IsValidUtf8("caf\xC3\xA9 \xE2\x80\x99"));
    EXPECT_FALSE(IsValidUtf8("caf\xE9"));         // Windows-1252 é
    EXPECT_FALSE(IsValidUtf8("\xC3"));            // cut sequence
    EXPECT_FALSE(IsValidUtf8("\xC0\xA9"));        // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));    // surrogate
}

TEST(AssistantTexts, CancelNoticesKeepTheirBlanksBeforeTheLineBreak)
{
    EXPECT_EQ("Die Parametrierung wurde abgebrochen.\nEs werden keine Parameter zum Sensor "
              "gesendet.",
              Text(TxtParamCancelled, kLanguageGerman));
    EXPECT_EQ("Das Einlernen wurde abgebrochen.\nEs werden keine Farbwerte zum Sensor gesendet.",
              Text(TxtTeachCancelled, kLanguageGerman));
    EXPECT_EQ("Parameterisation has been cancelled. \nNo parameters are sent to the sensor.",
              Text(TxtParamCancelled, kLanguageEnglish));
    EXPECT_EQ("Teaching has been cancelled. \nNo color values are sent to the sensor.",
              Text(TxtTeachCancelled, kLanguageEnglish));
}

TEST(AssistantTexts, LettersBeyondAsciiAreTheirUtf8Bytes)
{
    EXPECT_EQ("M\xC3\xB6" "chten Sie Default Parameter zum Sensor senden?",
              Text(TxtSendDefaults, kLanguageGerman));
    EXPECT_EQ("\xC2\xBF" "Desea enviar par\xC3\xA1metros predeterminados al sensor?",
              Text(TxtSendDefaults, kLanguageSpanish));
    EXPECT_EQ("A parametriza\xC3\xA7\xC3\xA3o foi interrompida. \n"
              "N\xC3\xA3o s\xC3\xA3o enviados par\xC3\xA2metros para o sensor.",
              Text(TxtParamCancelled, kLanguagePortuguese));
    EXPECT_EQ("Wprowadzanie parametr\xC3\xB3w zostalo przerwane. \n"
              "Do czujnika nie zostaly wyslane zadne parametry.",
              Text(TxtParamCancelled, kLanguagePolish));
    EXPECT_EQ("O valor introduzido encontra-se fora da faixa de valores. \n\n"
              "\xC3\x89 carregado um valor Default. \n\n"
              "Este \xC3\xA9 num sensor com 5 sa\xC3\xAD" "das digitais 31 \n"
              "e num sensor com 2 sa\xC3\xAD" "das 3.",
              Text(TxtColorCountDefault, kLanguagePortuguese));
}

TEST(AssistantTexts, FrenchUsesBothCurlyApostrophesAndKeepsItsDoubledBlank)
{
    EXPECT_EQ("Combien de couleurs voulez-vous apprendre? \n\n"
              "31 couleurs au maximum peuvent \xC3\xAAtre apprises \n"
              "dans le cas d\xE2\x80\x99un capteur avec  5 sorties num\xC3\xA9riques. \n\n"
              "Dans le cas d\xE2\x80\x98un capteur avec 2 sorties maximum 3.",
              Text(TxtHowManyColors, kLanguageFrench));
    EXPECT_EQ("L\xE2\x80\x99" "apprentissage a \xC3\xA9t\xC3\xA9 interrompu. \n"
              "Aucune valeur de couleur n\xE2\x80\x99" "est envoy\xC3\xA9" "e au capteur.",
              Text(TxtTeachCancelled, kLanguageFrench));
}

TEST(AssistantTexts, OddBlanksAndPunctuationAreKeptAsTheOperatorKnowsThem)
{
    // Doubled blank before a line break (Spanish), after "kolor" (Polish), inside the English
    // "C-No:  display"; a blank opening a line and a doubled full stop (Polish).
    EXPECT_NE(std::string::npos, Text(TxtHowManyColors, kLanguageSpanish).find("colores.  \n\n"));
    EXPECT_EQ("Teraz prosze umiescic przed czujnikiem kolor  \n"
              "wprowadzony w procesie uczenia i wcisnac OK.",
              Text(TxtPlaceColor, kLanguagePolish));
    EXPECT_EQ("The set parameters and the taught colors \n"
              "are now saved in the sensor's EEPROM. \n\n"
              "Click on GO and check under the C-No:  display \n"
              "whether the colors are recognised. \n"
              "If they are not, please start the assistant again.",
              Text(TxtSavedToEeprom, kLanguageEnglish));
    const std::string tooBright = Text(TxtColorTooBright, kLanguagePolish);
    EXPECT_EQ(0u, tooBright.find("Ten kolor jest jasniejszy niz kolor wprowadzony wczesniej.. \n"));
    EXPECT_NE(std::string::npos, tooBright.find("przez \n wcisniecie START ASSISTANT. \n\n"));
    // "con5" without a blank (Italian) and "Ausgänge,\nwie" without one (German).
    EXPECT_NE(std::string::npos, Text(TxtHowManyColors, kLanguageItalian).find("sensore con5 uscite"));
    EXPECT_EQ(0u, Text(TxtDirectOutputs, kLanguageGerman)
                      .find("Der Sensor hat entweder genauso viele oder mehr Ausg\xC3\xA4nge,\nwie "));
}

TEST(AssistantTexts, ALanguageIndexOutsideTheTableGivesEnglish)
{
    for (int m = 0; m < kAssistantMessageCount; ++m) {
        const auto msg = static_cast<AssistantMessage>(m);
        const char* english = AssistantText(msg, kLanguageEnglish);
        for (int language : {-1, 7, 8, INT_MIN, INT_MAX})
            EXPECT_EQ(english, AssistantText(msg, language)) << m << " " << language;
        EXPECT_STREQ(AssistantTexts[m][kLanguagePolish], AssistantText(msg, 6));
    }
    EXPECT_STREQ("", AssistantText(static_cast<AssistantMessage>(-1), 1));
    EXPECT_STREQ("", AssistantText(kAssistantMessageCount, 1));
}

TEST(AssistantTexts, EveryTextIsPresentDistinctAndValidUtf8)
{
    for (int m = 0; m < kAssistantMessageCount; ++m) {
        std::set<std::string> seen;
        for (int language = 0; language < kLanguageCount; ++language) {
            const char* text = AssistantTexts[m][language];
            ASSERT_NE(nullptr, text);
            const std::string s = text;
            EXPECT_FALSE(s.empty()) << m << " " << language;
            EXPECT_TRUE(IsValidUtf8(s)) << m << " " << language;
            EXPECT_EQ(std::string::npos, s.find('\r')) << m << " " << language;
            // A text copied into the wrong column shows up as a duplicate.
            EXPECT_TRUE(seen.insert(s).second) << m << " " << language;
        }
        // The English prompts are plain ASCII: a curly quote there is a typing slip.
        for (unsigned char c : std::string(AssistantTexts[m][kLanguageEnglish]))
            EXPECT_LT(c, 0x80) << m;
    }
}
