// The program's string table: every text a user sees, exactly as it is shown.
// Each subsystem keeps its texts in its own section; add new texts to your section.
#pragma once

#include <QString>

namespace Str {

// ---- data module and start-up of the database ----
inline const QString NoTempDir = QStringLiteral("Chyba nastaveni dočasnecho adresaře...");
inline const QString AlreadyRunning = QStringLiteral("Ferdano already is runned..");
inline const QString MessagesUnreadable = QStringLiteral("Chyba: zprávy v databázi nelze přečíst ...");
inline const QString DatabaseBusy =
    QStringLiteral("Chyba: databáze je právě zaneprázdněna jinou stanicí, zkuste to prosím znovu ...");
inline const QString DatabaseReadOnly =
    QStringLiteral("Chyba: do databáze nelze zapisovat (adresář DB je jen pro čtení) ...");
inline const QString DatabaseMissing = QStringLiteral("Chyba: databáze nebyla nalezena: %s");
inline const QString DatabaseCorrupt = QStringLiteral("Chyba: databázi nelze otevřít: %s");
inline const QString NotValidInteger = QStringLiteral("'%s' is not a valid integer value");

// ---- shared helpers ----
inline const QString UserLabel = QStringLiteral("Uživatel: %s");

// ---- common dialogs ----
inline const QString SystemHeading = QStringLiteral("Systémové hlášení :");
inline const QString Yes = QStringLiteral("&Ano");
inline const QString No = QStringLiteral("&Ne");
inline const QString Ok = QStringLiteral("&Ok");
inline const QString Cancel = QStringLiteral("&Storno");
inline const QString Help = QStringLiteral("&Nápověda");
inline const QString ResultHeading = QStringLiteral("Výsledek ostrého testu");
inline const QString GeneralErrorTitle = QStringLiteral("Chyba");

// ---- start-up and main window ----
inline const QString AppTitle = QStringLiteral("Ferdano");
inline const QString SplashLine1 = QStringLiteral("Testy z pravidel");
inline const QString SplashLine2 = QStringLiteral("silničního provozu");
inline const QString MainTitle = QStringLiteral("Testy z pravidel silničního provozu");
inline const QString VersionLine = QStringLiteral("Verze 3.03   Databáze ");
inline const QString CmdBrowse = QStringLiteral("Pro&hlížení otázek");
inline const QString CmdHints = QStringLiteral("Testy s &nápovědou");
inline const QString CmdPractice = QStringLiteral("&Zkušební testy");
inline const QString CmdLive = QStringLiteral("&Ostré testy");
inline const QString CmdErrorTests = QStringLiteral("&Chybové testy");
inline const QString CmdRegister = QStringLiteral("&Evidence žáků");
inline const QString CmdSignIn = QStringLiteral("&Přihlášení");
inline const QString CmdEnd = QStringLiteral("&Konec");
inline const QString DefaultLinkUrl = QStringLiteral("https://www.ferdano.cz/");
inline const QString DefaultLinkName = QStringLiteral("Ferdano – autoškolní testy");

// ---- sign-in ----

// ---- pupil register ----

// ---- pupil record ----

// ---- test window ----

// ---- countdown and message panel ----

// ---- test-type selection ----
inline const QString HeadingHints = QStringLiteral("Testy s nápovědou");
inline const QString HeadingPractice = QStringLiteral("Zkušební testy");
inline const QString HeadingLive = QStringLiteral("Ostré testy");
inline const QString TabStoredTests = QStringLiteral("Standardní testy");
inline const QString TabRandomTest = QStringLiteral("Náhodně vygenerovaný test");
inline const QString LabelTestType = QStringLiteral("Typ testu");
inline const QString LabelTestName = QStringLiteral("Název testu");
inline const QString LabelQuestionGroup = QStringLiteral("Typ otazky");
inline const QString LabelQuestionCount = QStringLiteral("Počet otázek");
inline const QString TimeLimitBox = QStringLiteral("Omezit čas testu");
inline const QString MinutesUnit = QStringLiteral("min");
inline const QString WaitRandomTest = QStringLiteral("Chvilku strpení. Právě se generuje nahodný test...");
inline const QString NoQuestionDrawn = QStringLiteral("Chyba: počet otázek musí být větší než nula ...");
inline const QString BadQuestionCount =
    QStringLiteral("Chyba: počet otázek ve skupině „%s“ musí být celé číslo od nuly výše ...");
inline const QString NameMinutes = QStringLiteral("Minuty");
inline const QString NameGroupPicture = QStringLiteral("Obrázek skupiny otázek");
inline const QString NameQuestionCountDef = QStringLiteral("Počet otázek ostrého testu");

// ---- error-test selection ----
inline const QString HeadingErrorTests = QStringLiteral("Chybové testy");
inline const QString TabErrorTests = QStringLiteral("Chybové testy");
inline const QString TabRandomErrorTest = QStringLiteral("Nahodně vygenerovaný test");
inline const QString LabelErrorQuestionGroup = QStringLiteral("Typ otázky");
inline const QString NoErrorBox = QStringLiteral("Doplňovat test nechybovými otázkami");
inline const QString WaitRandomErrorTest =
    QStringLiteral("Chvilku strpení. Právě se generuje náhodný chybový test...");

// ---- question browsing ----
inline const QString HeadingBrowse = QStringLiteral("Prohlížení skupin otázek");
inline const QString ShowAnswerNowBox = QStringLiteral("Ihned zobrazovat správou odpověď");
inline const QString NameQuestionGroups = QStringLiteral("Skupiny otázek");

// ---- skinned windows and buttons ----
inline const QString PleaseDropOnForm = QStringLiteral("Please Drop on a Form");

} // namespace Str
