#include "tests/ui/recording/comma_locale.h"

#include <QDir>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool UseCommaDecimalLocale()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made && dir.isValid()) {
        // localedef warns about some definitions and exits 1 while still writing the locale.
        QProcess::execute("localedef", {"-i", "de_DE", "-f", "UTF-8",
                                        dir.filePath("de_DE.UTF-8")});
        made = true;
        setenv("LOCPATH", dir.path().toLocal8Bit().constData(), 1);
    }
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        return false;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    return std::strcmp(text, "1,5") == 0;
}

void RestoreCLocale()
{
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());
}
