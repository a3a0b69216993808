#include "params/assistant_texts.h"

// Every blank matters here: trailing blanks before a line break and doubled blanks are part of
// the texts as the operator has always seen them, and so are the odd spellings.
const char* const AssistantTexts[kAssistantMessageCount][kLanguageCount] = {
    // TxtSendDefaults
    {
        "Möchten Sie Default Parameter zum Sensor senden?",  // German
        "Do you want to send default parameters to the sensor?",  // English
        "Voulez-vous envoyer les paramètres par défaut au capteur?",  // French
        "¿Desea enviar parámetros predeterminados al sensor?",  // Spanish
        "Pretende enviar parâmetros Default para o sensor?",  // Portuguese
        "Vuoi inviare i parametri di default al sensore?",  // Italian
        "Czy wartosci standardowe parametrów maja zostac wyslane do czujnika?",  // Polish
    },
    // TxtParamCancelled
    {
        // German
        "Die Parametrierung wurde abgebrochen.\n"
        "Es werden keine Parameter zum Sensor gesendet.",
        // English
        "Parameterisation has been cancelled. \n"
        "No parameters are sent to the sensor.",
        // French
        "Le paramétrage a été interrompu. \n"
        "Aucun paramètre n’est envoyé au capteur.",
        // Spanish
        "El ajuste de parámetros ha sido interrumpido. \n"
        "No se enviarán parámetros al sensor.",
        // Portuguese
        "A parametrização foi interrompida. \n"
        "Não são enviados parâmetros para o sensor.",
        // Italian
        "La parametrizzazione è stata annullata. \n"
        "Nessun parametro è stato spedito al sensore.",
        // Polish
        "Wprowadzanie parametrów zostalo przerwane. \n"
        "Do czujnika nie zostaly wyslane zadne parametry.",
    },
    // TxtTeachCancelled
    {
        // German
        "Das Einlernen wurde abgebrochen.\n"
        "Es werden keine Farbwerte zum Sensor gesendet.",
        // English
        "Teaching has been cancelled. \n"
        "No color values are sent to the sensor.",
        // French
        "L’apprentissage a été interrompu. \n"
        "Aucune valeur de couleur n’est envoyée au capteur.",
        // Spanish
        "La programación ha sido interrumpida. \n"
        "No se enviarán valores de color al sensor.",
        // Portuguese
        "A programação foi interrompida. \n"
        "Não são enviados valores de cores para o sensor.",
        // Italian
        "Fase di Teach annullata. \n"
        "Nessun colore è stato inviato al sensore.",
        // Polish
        "Proces uczenia zostal przerwany. \n"
        "Do czujnika nie zostaly wyslane zadne wartosci kolorów.",
    },
    // TxtHowManyColors
    {
        // German
        "Wie viele Farben möchten Sie lernen?\n"
        "\n"
        "Bei einem Sensor mit 5 digitalen Ausgängen \n"
        "können maximal 31 Farben eingelernt werden. \n"
        "\n"
        "Bei einem Sensor mit 2 Ausgängen maximal 3.",
        // English
        "How many colors do you want to teach? \n"
        "\n"
        "With a sensor with 5 digital outputs \n"
        "a maximum of 31 colors can be taught. \n"
        "\n"
        "With a sensor with 2 outputs a maximum of 3.",
        // French
        "Combien de couleurs voulez-vous apprendre? \n"
        "\n"
        "31 couleurs au maximum peuvent être apprises \n"
        "dans le cas d’un capteur avec  5 sorties numériques. \n"
        "\n"
        "Dans le cas d‘un capteur avec 2 sorties maximum 3.",
        // Spanish
        "¿Cuántos colores desea programar? \n"
        "\n"
        "En un sensor con 5 salidas digitales \n"
        "se pueden programar máx. 31 colores.  \n"
        "\n"
        "En un sensor con 2 salidas máx. 3.",
        // Portuguese
        "Quantas cores pretende programar? \n"
        "\n"
        "Num sensor com 5 saídas digitais \n"
        "podem ser programadas no máximo 31 cores. \n"
        "\n"
        "Num sensor com 2 saídas no máximo 3.",
        // Italian
        "Quanti colori vuoi acquisire? \n"
        "\n"
        "Con un sensore con5 uscite digitali \n"
        "possono essere memorizzati massimo 31 colori. \n"
        "\n"
        "Con un sensore con 2 uscite un massimo di 3.",
        // Polish
        "Ile kolorów powinno zostac wprowadzonych w procesie uczenia? \n"
        "\n"
        "W czujniku z 5 wyjsciami cyfrowymi \n"
        "mozna wprowadzic w procesie uczenia maksymalnie 31 kolorów. \n"
        "\n"
        "W czujniku z 3 wyjsciami maksymalnie 3.",
    },
    // TxtReenterColorCount
    {
        // German
        "Der eingegebene Wert liegt außerhalb seines Wertebereiches. \n"
        "\n"
        "Geben Sie einen neuen Wert ein. \n"
        "\n"
        "Bei einem Sensor mit 5 digitalen Ausgängen \n"
        "können maximal 31 Farben eingelernt werden. \n"
        "\n"
        "Bei einem Sensor mit 2 Ausgängen maximal 3.",
        // English
        "The entered value lies outside its value range. \n"
        "\n"
        "Please enter a new value. \n"
        "\n"
        "With a sensor with 5 digital outputs \n"
        "a maximum of 31 colors can be taught. \n"
        "\n"
        "With a sensor with 2 outputs a maximum of 3.",
        // French
        "La valeur entrée se situe en-dehors de la plage de valeurs. \n"
        "\n"
        "Entrez une nouvelle valeur. \n"
        "\n"
        "31 couleurs au maximum peuvent être apprises \n"
        "dans le cas d’un capteur avec 5 sorties numériques. \n"
        "\n"
        "Dans le cas d‘un capteur avec 2 sorties maximum 3.",
        // Spanish
        "El valor ingresado se encuentra fuera de su gama de valores. \n"
        "\n"
        "Ingrese un nuevo valor. \n"
        "\n"
        "En un sensor con 5 salidas digitales \n"
        "se pueden programar máx. 31 colores. \n"
        "\n"
        "En un sensor con 2 salidas máx. 3.",
        // Portuguese
        "O valor introduzido encontra-se fora da faixa de valores. \n"
        "\n"
        "Introduza um novo valor. \n"
        "\n"
        "Num sensor com 5 saídas digitais \n"
        "podem ser programadas no máximo 31 cores. \n"
        "\n"
        "Num sensor com 2 saídas no máximo 3.",
        // Italian
        "Il valore inserito si trova al di fuori del range consentito. \n"
        "\n"
        "Si prega di inserire un nuovo valore. \n"
        "\n"
        "Con un sensore con 5 uscite digitali \n"
        "possono essere memorizzati massimo 31 colori. \n"
        "\n"
        "Con un sensore con 2 uscite un massimo di 3.",
        // Polish
        "Wprowadzona wartosc znajduje sie poza zakresem wartosci. \n"
        "\n"
        "Prosze wprowadzic nowa wartosc. \n"
        "\n"
        "W czujniku z 5 wyjsciami cyfrowymi \n"
        "mozna wprowadzic w procesie uczenia maksymalnie 31 kolorów. \n"
        "\n"
        "W czujniku z 3 wyjsciami maksymalnie 3.",
    },
    // TxtColorCountDefault
    {
        // German
        "Der eingegebene Wert liegt außerhalb seines Wertebereiches. \n"
        "\n"
        "Es wird der Default Wert geladen. \n"
        "\n"
        "Dieser ist bei einem Sensor mit 5 digitalen Ausgängen 31 \n"
        "und bei einem Sensor mit 2 Ausgängen 3.",
        // English
        "The entered value lies outside its value range. \n"
        "\n"
        "The default value will be loaded. \n"
        "\n"
        "With a sensor with 5 digital outputs this default value is 31 \n"
        "and with a sensor with 2 outputs it is 3.",
        // French
        "La valeur entrée se situe en-dehors de la plage de valeurs. \n"
        "\n"
        "La valeur par défaut est chargée. \n"
        "\n"
        "Cette dernière est dans le cas d‘un capteur avec 5 sorties numériques 31 \n"
        "et dans le cas d’un capteur avec 2 sorties 3.",
        // Spanish
        "El valor ingresado se encuentra fuera de su gama de valores. \n"
        "\n"
        "Se cargará el valor predeterminado. \n"
        "\n"
        "En un sensor con 5 salidas digitales éste es 31 \n"
        "y en un sensor con 2 salidas es 3.",
        // Portuguese
        "O valor introduzido encontra-se fora da faixa de valores. \n"
        "\n"
        "É carregado um valor Default. \n"
        "\n"
        "Este é num sensor com 5 saídas digitais 31 \n"
        "e num sensor com 2 saídas 3.",
        // Italian
        "Il valore inserito si trova al di fuori del range consentito. \n"
        "\n"
        "Verrà caricato il valore predefinito. \n"
        "\n"
        "Per un sensore con 5 uscite digitali il valore predefinito è 31 \n"
        "e per un sensore con 2 uscite 3.",
        // Polish
        "Wprowadzona wartosc znajduje sie poza zakresem wartosci. \n"
        "\n"
        "Ladowana jest wartosc standardowa. \n"
        "\n"
        "Jest ich 31 w czujniku z 5 wyjsciami cyfrowymi \n"
        "oraz 3 w czujniku z 2 wyjsciami.",
    },
    // TxtDirectOutputs
    {
        // German
        "Der Sensor hat entweder genauso viele oder mehr Ausgänge,\n"
        "wie Sie Farben einlernen wollen. \n"
        "\n"
        "Deshalb könnten die Farben direkt ausgegeben werden. \n"
        "D.h. Zeile 0 kann direkt auf OUT0, Zeile 1 direkt \n"
        "auf OUT1 ausgegeben werden usw. \n"
        "\n"
        "Wenn Sie das möchten, dann drücken Sie auf YES. \n"
        "\n"
        "Wenn Sie die Farben binär kodiert ausgeben wollen, \n"
        "dann drücken Sie NO.",
        // English
        "The sensor has either the same number of outputs or more \n"
        "than the number of colors you want to teach. \n"
        "\n"
        "The colors therefore could be directly output. \n"
        "This means that line 0 can be directly output to OUT0, \n"
        "line 1 directly to OUT1, etc. \n"
        "\n"
        "If this is what you want, please click on YES. \n"
        "\n"
        "If you want to output the colors in binary encoded form, \n"
        "click on NO.",
        // French
        "Le capteur a au moins autant ou davantage de sorties \n"
        "que le nombre de couleurs que vous voulez apprendre. \n"
        "\n"
        "C’est la raison pour laquelle les couleurs peuvent être directement sorties. \n"
        "C’est-à-dire que la ligne peut être directement sortie sur OUT0, ligne 1 directement \n"
        "sortie sur OUT1 etc. \n"
        "\n"
        "Si vous souhaitez cela, appuyez sur YES. \n"
        "\n"
        "Si vous voulez sortie les couleurs de façon codée, \n"
        "appuyez sur NO.",
        // Spanish
        "El sensor tiene igual o mayor número de salidas \n"
        "que los colores que usted desea programar. \n"
        "\n"
        "Por eso, los colores podrían ser emitidos directamente. \n"
        "Es decir, la línea 0 se puede emitir directamente a OUT0, \n"
        "la linea 1 a OUT1, etc. \n"
        "\n"
        "Si usted desea esto, presione YES. \n"
        "\n"
        "Si desea emitir los colores codificados en binario, \n"
        "presione NO.",
        // Portuguese
        "O sensor tem os mesmos ou mais saídas do \n"
        "que cores que pretende programar. \n"
        "\n"
        "Por isso as cores podem ser emitidas diretamente. \n"
        "Ou seja, linha 0 pode ser emitida diretamente no OUT0, \n"
        "a linha 1 diretamente no OUT1 etc. \n"
        "\n"
        "Se o pretender, prima YES. \n"
        "\n"
        "Se pretender emitir as cores codificadas de forma binária, \n"
        "prima NO.",
        // Italian
        "Il sensore ha lo stesso numero di uscite oppure un numero \n"
        "maggiore di uscite rispetto ai colori da acquisire. \n"
        "\n"
        "I colori possono quindi essere associate direttamente alle uscite. \n"
        "Questo significa che la riga 0 può essere associate all’uscita OUT0, \n"
        "la riga 1 all’uscita OUT1, ecc. \n"
        "\n"
        "Se è questo ciò che vuoi ottenere allora premere su YES. \n"
        "\n"
        "Se vuoi che I colori vengano forniti in uscita con la codifica binaria, \n"
        "allora premere NO.",
        // Polish
        "Czujnik posiada wystarczajaca ilosc wyjsc,\n"
        "do wprowadzenia kolorów w procesie uczenia. \n"
        "\n"
        "Z tego wzgledu kolory moglyby byc emitowane bezposrednio. \n"
        "Tzn. wiersz 0 moze byc emitowany bezposrednio na OUT0, \n"
        "wiersz 1 na OUT1, itd. \n"
        "\n"
        "Jezeli proces mialby zostac zatwierdzony nalezy nacisnac YES. \n"
        "\n"
        "Jezeli kolory maja byc emitowane binarnie, \n"
        "nalezy wcisnac NO.",
    },
    // TxtPlaceBrightest
    {
        // German
        "Platzieren Sie die hellste einzulernende \n"
        "Farbe vor dem Sensor und drücken Sie OK.",
        // English
        "Place the brightest color to be taught in front of \n"
        "the sensor and click on OK.",
        // French
        "Placez la couleur la plus claire à apprendre \n"
        "pour le capteur et appuyez sur OK.",
        // Spanish
        "Coloque el color a programar más brillante \n"
        "frente al sensor y presione OK.",
        // Portuguese
        "Posicione as cores mais claras a programar \n"
        "à frente do sensor e prima OK.",
        // Italian
        "Mettere il colore più luminoso/brillante da acquisire \n"
        "davanti al sensore  e fare clic su OK.",
        // Polish
        "Prosze umiescic przed czujnikiem najjasniejszy kolor \n"
        "wprowadzony w procesie uczenia i wcisnac OK.",
    },
    // TxtAutoAdjust
    {
        // German
        "Zuerst werden Default Parameter zum Sensor gesendet. \n"
        "\n"
        "Danach stellt sich der Sensor automatisch auf die Oberfläche ein. \n"
        "\n"
        "Dieser Vorgang kann bis zu einer Minute dauern.",
        // English
        "Default parameters will first be sent to the sensor. \n"
        "\n"
        "Then the sensor will automatically adjust itself to the surface. \n"
        "\n"
        "This process may take up to one minute.",
        // French
        "Les paramètres par défaut doivent être d’abord envoyés. \n"
        "\n"
        "Un capteur s’accorde automatiquement à la surface. \n"
        "\n"
        "Cette procédure peut durer jusqu’à un minute.",
        // Spanish
        "Los parámetros predeterminados son enviados primero al sensor. \n"
        "\n"
        "Luego, el sensor se ajusta automáticamente a la superficie. \n"
        "\n"
        "Este procedimiento puede durar hasta un minuto.",
        // Portuguese
        "Primeiro são enviados parâmetros Default para o sensor. \n"
        "\n"
        "Depois o sensor ajusta-se automaticamente para a superfície. \n"
        "\n"
        "Este processo pode demorar até um minuto.",
        // Italian
        "I parametri di predefiniti saranno prima inviati al sensore. \n"
        "\n"
        "Poi il sensore stesso si regolerà automaticamente in base alla superficie. \n"
        "\n"
        "Questo processo può richiedere fino ad un minuto.",
        // Polish
        "Najpierw do czujnika zostana wyslane wartosci standardowe parametrów. \n"
        "\n"
        "Nastepnie czujnik ustawi sie automatycznie wzgledem aktualnej powierzchni. \n"
        "\n"
        "Ten proces moze przebiegac do 1 minuty.",
    },
    // TxtPlaceColor
    {
        // German
        "Platzieren Sie jetzt eine einzulernende \n"
        "Farbe vor dem Sensor und drücken Sie OK.",
        // English
        "Now place a color to be taught in front of the sensor \n"
        "and click on OK.",
        // French
        "Placez maintenant une couleur à apprendre \n"
        "devant le capteur et appuyez sur OK.",
        // Spanish
        "Coloque ahora un color que pueda ser programado \n"
        "frente al sensor y presione OK.",
        // Portuguese
        "Posicione agora uma cor a ser programada \n"
        "à frente do sensor e prima OK.",
        // Italian
        "Ora posizionare un colore da acquisire \n"
        "davanti al sensore  e fare clic su OK.",
        // Polish
        "Teraz prosze umiescic przed czujnikiem kolor  \n"
        "wprowadzony w procesie uczenia i wcisnac OK.",
    },
    // TxtColorTooBright
    {
        // German
        "Diese Farbe ist heller als die von Ihnen angegebene. \n"
        "\n"
        "Um die Aktion abzubrechen drücken Sie YES und \n"
        "starten anschließend den Assistenten durch \n"
        "Drücken von START ASSISTANT noch einmal. \n"
        "\n"
        "Wollen Sie dennoch weitermachen drücken Sie NO.",
        // English
        "This color is brighter than the one specified by you. \n"
        "\n"
        "Click on YES to cancel the process, \n"
        "then start the assistant again by clicking on \n"
        "START ASSISTANT. \n"
        "\n"
        "If you want to continue in spite of this, click on NO.",
        // French
        "Cette couleur est plus claire que celle que vous avez indiquée. \n"
        "\n"
        "Pour interrompre cette action, appuyez sur YES et \n"
        "démarrez ensuite l’assistant.\n"
        "Appuyez encore une fois sur START ASSISTANT. \n"
        "\n"
        "Si vous voulez encore continuer, appuyez sur NO.",
        // Spanish
        "Este color es más brillante que el indicado por usted. \n"
        "\n"
        "Para interrumpir la acción presione YES y \n"
        "a continuación inicie el asistente \n"
        "presionando nuevamente START ASSISTANT. \n"
        "\n"
        "Si aún desea continuar, presione NO.",
        // Portuguese
        "Esta cor é mais clara do que aquela por si mencionada. \n"
        "\n"
        "Para interromper a ação prima YES e \n"
        "depois inicie novamente o assistente premindo \n"
        "START ASSISTANT. \n"
        "\n"
        "Se pretende continuar prima NO.",
        // Italian
        "Questo colore è più luminoso di quello specificato in precedenza. \n"
        "\n"
        "Fare clic su Sì per annullare il processo, \n"
        "quindi avviare di nuovo l'assistente cliccando su \n"
        "START ASSISTANT. \n"
        "\n"
        "Se si desidera continuare nonostante questo, cliccare su NO.",
        // Polish
        "Ten kolor jest jasniejszy niz kolor wprowadzony wczesniej.. \n"
        "\n"
        "Aby przerwac akcje nalezy wcisnac YES \n"
        "i uruchomic ponownie asystenta przez \n"
        " wcisniecie START ASSISTANT. \n"
        "\n"
        "Jezeli proces ma byc kontynuowany nalezy wcisnac NO.",
    },
    // TxtSavedToEeprom
    {
        // German
        "Die eingestellten Parameter und eingelernten Farben \n"
        "werden nun im EEPROM des Sensors hinterlegt. \n"
        "\n"
        "Drücken Sie GO und kontrollieren Sie unter dem Display \n"
        "C-No: ob die Farben wiedererkannt werden. \n"
        "Falls nicht, starten Sie den Assistenten noch einmal.",
        // English
        "The set parameters and the taught colors \n"
        "are now saved in the sensor's EEPROM. \n"
        "\n"
        "Click on GO and check under the C-No:  display \n"
        "whether the colors are recognised. \n"
        "If they are not, please start the assistant again.",
        // French
        "Les paramètres réglés et les couleurs apprises \n"
        "sont maintenant pré-mémorisés dans l’EEPROM du capteur. \n"
        "\n"
        "Appuyez sur GO et contrôlez sous l‘écran \n"
        "C-No : si les couleurs sont reconnues. \n"
        "Sinon, démarrez l’assistant encore une fois.",
        // Spanish
        "Los parámetros ajustados y los colores programados \n"
        "serán depositados en el EEPROM del sensor. \n"
        "\n"
        "Presione GO y compruebe debajo de la pantalla \n"
        "C-No: si los colores son nuevamente reconocidos. \n"
        "Si no es así, inicie nuevamente el asistente.",
        // Portuguese
        "Os parâmetros e as cores programadas \n"
        "são guardados agora no EEPROM do sensor. \n"
        "\n"
        "Prima GO e verifique por baixo do visor \n"
        "C-No: se as cores são reconhecidas. \n"
        "Em caso negativo reinicie o assistente.",
        // Italian
        "I parametri impostati e i colori acquisiti \n"
        "sono ora salvati nella EEPROM del sensore. \n"
        "\n"
        "Cliccare su GO e controllare il colore a fianco sotto la voce C-No: \n"
        "se i colori sono riconosciuti correttamente. \n"
        "In caso contrario, avviare nuovamente l'assistente.",
        // Polish
        "Nastawione parametry oraz kolory wprowadzone w procesie \n"
        "uczenia sa teraz przechowywane w pamieci EEPROM czujnika. \n"
        "\n"
        "Nalezy wcisnac GO i sprawdzic na ekranie, \n"
        "C-No: czy kolory zostaly ponownie rozpoznane. \n"
        "Jezeli nie, nalezy ponownie uruchomic asystenta.",
    },
};

const char* AssistantText(AssistantMessage msg, int language)
{
    const int row = static_cast<int>(msg);
    if (row < 0 || row >= kAssistantMessageCount)
        return "";
    if (language < 0 || language >= kLanguageCount)
        language = kLanguageEnglish;
    return AssistantTexts[row][language];
}
