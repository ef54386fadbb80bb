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
inline const QString QuestionNumber = QStringLiteral("Otázka číslo %d ");
inline const QString QuestionPoints = QStringLiteral("%d body");
inline const QString QuestionTotal = QStringLiteral("Celkový počet otázek %d");
inline const QString QuestionsUnanswered = QStringLiteral("Nezodpovězených otázek %d");
inline const QString FirstCaption = QStringLiteral("<<");
inline const QString PrevCaption = QStringLiteral("<");
inline const QString NextCaption = QStringLiteral(">");
inline const QString LastCaption = QStringLiteral(">>");
inline const QString InfoCaption = QStringLiteral("Info");
inline const QString ShowAnswerCaption = QStringLiteral("?");
inline const QString AnswerPrefixes[4] = {QStringLiteral("a) "), QStringLiteral("b) "), QStringLiteral("c) "),
                                          QStringLiteral("d) ")};
inline const QString ConfirmEndBrowsing = QStringLiteral("Opravdu chcete ukončit prohlížení otázek ?");
inline const QString ConfirmEndHints = QStringLiteral("Opravdu chcete ukončit test s nápovědou ?");
inline const QString ConfirmEndPractice = QStringLiteral("Opravdu chcete ukončit zkušební test ?");
inline const QString ConfirmEndLive = QStringLiteral("Opravdu chcete ukončit test ?");
inline const QString ConfirmEndErrorTest = QStringLiteral("Opravdu chcete ukončit chybový test ?");
inline const QString ScorePerfect = QStringLiteral("Gratulujeme. Získal jste %d bodů z %d .");
inline const QString ScoreReview = QStringLiteral("Získal jste %d bodů z %d . Prohlédnout ?");
inline const QString VerdictPassed = QStringLiteral("Prošel. ");
inline const QString VerdictFailed = QStringLiteral("Neprošel. ");
inline const QString MandatoryMissed = QStringLiteral("NE UDELAL JSTE VSECHNI POVINNE OTAZKY... ");
inline const QString ReportCategory = QStringLiteral("   Oprávnění : ");
inline const QString ReportDate = QStringLiteral("   Datum a čas testu : ");
inline const QString ReportTest = QStringLiteral("   Typ a číslo testu : ");
inline const QString ReportHeader1 = QStringLiteral("   Otázka  Odpověď  Správná  Počet");
inline const QString ReportHeader2 = QStringLiteral("    číslo     žáka  odpověď   bodů");
inline const QString ReportRule = QStringLiteral("   -------------------------------");
inline const QString ReportTotal = QStringLiteral("               Celkem :%4d   %4d");
inline const QString RightLine = QStringLiteral("      %3d     %4s     %4s     %2d");
inline const QString WrongLine = QStringLiteral("    * %3d     %4s     %4s     %2d");
inline const QString PictureName = QStringLiteral("Obrázek k otázce");
inline const QString QuestionTextName = QStringLiteral("Text otázky");
inline const QString AnswersName = QStringLiteral("Odpovědi");
inline const QString FirstQuestionName = QStringLiteral("První otázka");
inline const QString PrevQuestionName = QStringLiteral("Předchozí otázka");
inline const QString NextQuestionName = QStringLiteral("Další otázka");
inline const QString LastQuestionName = QStringLiteral("Poslední otázka");
inline const QString CorrectAnswersName = QStringLiteral("Správné odpovědi");

// ---- countdown and message panel ----
inline const QString PanelHeading = QStringLiteral("Info");
inline const QString TestStart = QStringLiteral("Začátek testu :");
inline const QString TestEnd = QStringLiteral("Konec testu :");
inline const QString TimeLeft = QStringLiteral("Do konce testu zbývá %s:%s");
inline const QString TimeUp = QStringLiteral("Čas testu vypršel");
inline const QString CloseCaption = QStringLiteral("&Zavřít");
inline const QString TickerName = QStringLiteral("Zprávy");
inline const QString GaugeName = QStringLiteral("Uplynulý čas testu");
inline const QString ZoomName = QStringLiteral("Zvětšený obrázek");

// ---- test-type selection ----

// ---- error-test selection ----

// ---- question browsing ----

// ---- skinned windows and buttons ----
inline const QString PleaseDropOnForm = QStringLiteral("Please Drop on a Form");

} // namespace Str
