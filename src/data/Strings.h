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
inline const QString DatabaseReplaced = QStringLiteral(
    "Chyba: databázi mezitím nahradil jiný program (například nahrání nové banky otázek), změna nebyla "
    "uložena. Ukončete prosím program a spusťte ho znovu ...");
inline const QString DatabaseMissing = QStringLiteral("Chyba: databáze nebyla nalezena: %s");
inline const QString DatabaseCorrupt = QStringLiteral("Chyba: databázi nelze otevřít: %s");
// Engine errors a user can meet while working; the engine's own text follows for the administrator.
inline const QString DatabaseDiskFull = QStringLiteral(
    "Chyba: na disku s databází není místo, změna nebyla uložena. Uvolněte místo na disku (nebo se obraťte "
    "na správce) a akci opakujte ...\n(%s)");
inline const QString DatabaseDamaged = QStringLiteral(
    "Chyba: databáze je poškozená a nelze s ní pracovat. Obraťte se na správce, aby ji obnovil ze zálohy "
    "...\n(%s)");
inline const QString DatabaseIncomplete = QStringLiteral(
    "Chyba: v databázi chybí tabulka nebo sloupec, databáze je neúplná nebo poškozená. Obraťte se na správce "
    "...\n(%s)");
inline const QString DatabaseIoError = QStringLiteral(
    "Chyba: databázi nelze číst ani do ní zapisovat (chyba disku nebo sítě), změna nebyla uložena. Obraťte "
    "se na správce ...\n(%s)");
inline const QString LockFileUnavailable = QStringLiteral(
    "Chyba: soubor zámků přihlášení %s nelze vytvořit ani použít (%s). Zkontrolujte místo na disku a práva "
    "k adresáři DB, případně se obraťte na správce ...");
// Faults of the program itself (a statement or field it lacks) and of files it writes.
inline const QString DatabaseNotConnected = QStringLiteral("Chyba: databáze není připojena ...");
inline const QString DataSetClosed = QStringLiteral("Chyba programu: sada dat %s není otevřená ...");
inline const QString DataSetEmpty = QStringLiteral("Chyba programu: sada dat %s neobsahuje žádný řádek ...");
inline const QString DataSetNoField = QStringLiteral("Chyba programu: sada dat %s nemá sloupec %s ...");
inline const QString DataSetNoStatement = QStringLiteral("Chyba programu: sada dat %s nemá příkaz SQL %s ...");
inline const QString DataSetNotEditing = QStringLiteral("Chyba programu: sada dat %s se právě neupravuje ...");
inline const QString DataSetReadOnly = QStringLiteral("Chyba programu: sadu dat %s nelze měnit ...");
inline const QString DataSetNotCached = QStringLiteral("Chyba programu: sada dat %s neukládá změny najednou ...");
inline const QString DataSetNoRowLock = QStringLiteral("Chyba programu: sada dat %s nemá zámek řádků ...");
inline const QString RowLockedElsewhere =
    QStringLiteral("Chyba: záznam má právě otevřený jiná stanice, zkuste to prosím později ...");
inline const QString FileNotCreated = QStringLiteral("Chyba: soubor %s nelze vytvořit (%s) ...");
inline const QString FileNotWritten = QStringLiteral("Chyba: do souboru %s nelze zapsat (%s) ...");
inline const QString PrintNotStarted =
    QStringLiteral("Chyba: tisk nelze spustit, tiskový program %s chybí nebo nejde spustit ...");
inline const QString PrintFailed = QStringLiteral("Chyba: tisk se nezdařil: %s");
inline const QString NotValidInteger = QStringLiteral("'%s' is not a valid integer value");
// the database server named by DB/server.conf
inline const QString ServerFileUnreadable = QStringLiteral("Chyba: soubor %s nelze přečíst ...");
inline const QString ServerFileBad = QStringLiteral("Chyba: soubor %s je chybný: %s");
inline const QString ServerFileNotPair = QStringLiteral("řádek %d nemá tvar jméno=hodnota");
inline const QString ServerFileUnknownName = QStringLiteral("řádek %d: neznámé jméno \"%s\" (platí host, port, database, user)");
inline const QString ServerFileTwice = QStringLiteral("řádek %d: jméno \"%s\" je uvedeno podruhé");
inline const QString ServerFileEmptyValue = QStringLiteral("řádek %d: \"%s\" nemá hodnotu");
inline const QString ServerFilePassword =
    QStringLiteral("řádek %d: heslo do tohoto souboru nepatří, uložte ho do souboru ~/.pgpass");
inline const QString ServerFileBadPort = QStringLiteral("řádek %d: port \"%s\" není číslo od 1 do 65535");
inline const QString ServerFileMissing = QStringLiteral("chybí \"%s\"");
inline const QString ServerUnreachable = QStringLiteral("Chyba: k databázovému serveru %s se nelze připojit: %s");
inline const QString ServerDatabaseMissing = QStringLiteral("Chyba: databáze %s na serveru %s nebyla nalezena ...");
inline const QString ServerDatabaseEmpty = QStringLiteral(
    "Chyba: databáze %s na serveru %s neobsahuje tabulky programu (nahrajte je: ferdano-dbbuild --server) ...");
inline const QString ServerConnectionLost = QStringLiteral(
    "Chyba: spojení s databázovým serverem bylo přerušeno, změna nebyla uložena. Program se při další akci "
    "připojí znovu, zkuste to prosím znovu ...");
inline const QString ServerNotAnswering = QStringLiteral(
    "Chyba: databázový server neodpověděl do %d sekund, změna nebyla potvrzena. Program se při další akci "
    "připojí znovu, zkuste to prosím za chvíli znovu; trvá-li potíž, obraťte se na správce serveru ...");
inline const QString ServerPreviousSession = QStringLiteral(
    "Chyba: databázový server stále drží předchozí, přerušené spojení této stanice a zatím neodpovídá. "
    "Zkuste to prosím za chvíli znovu; trvá-li potíž, obraťte se na správce serveru ...");
inline const QString SignInTakenOver = QStringLiteral(
    "Chyba: přihlášení žáka na této stanici zaniklo (spojení s databází bylo přerušeno nebo byl odstraněn "
    "soubor zámků přihlášení) a žáka mezitím přihlásila jiná stanice. Na této stanici byl žák odhlášen, jeho "
    "rozpracovaný test nelze uložit ...");
inline const QString ServerReadOnly =
    QStringLiteral("Chyba: do databáze na serveru nelze zapisovat (chybí oprávnění nebo je jen pro čtení) ...");

// ---- shared helpers ----
inline const QString UserLabel = QStringLiteral("Uživatel: %s");

// ---- common dialogs ----
inline const QString SystemHeading = QStringLiteral("Systémové hlášení :");
inline const QString Yes = QStringLiteral("&Ano");
inline const QString No = QStringLiteral("&Ne");
inline const QString Ok = QStringLiteral("&Ok");
inline const QString Cancel = QStringLiteral("&Storno");
inline const QString Help = QStringLiteral("&Nápověda");
inline const QString HelpName = QStringLiteral("Nápověda");
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
inline const QString LogonHeading = QStringLiteral("Přihlášení do systému");
inline const QString LabelIdentification = QStringLiteral("Identifikace");
inline const QString LabelPassword = QStringLiteral("Heslo");
inline const QString LogonDefault = QStringLiteral("ok");
inline const QString HiddenCancel = QStringLiteral("Cancel");
inline const QString PupilNotFound = QStringLiteral("Upozornění: uživatel nenalezen. Založit nového ?");
inline const QString WrongPassword = QStringLiteral("Chyba: heslo není správně zadáno...");
inline const QString AlreadySignedIn = QStringLiteral("Chyba: Uživatel je již přihlášen ...");
inline const QString NewPupilNotFound = QStringLiteral(
    "Chyba: nově založeného uživatele se nepodařilo podle identifikace najít, přihlášení se nezměnilo "
    "(zkontrolujte mezery v identifikaci) ...");

// ---- pupil register ----
inline const QString RegisterHeading = QStringLiteral("Evidence žáků");
inline const QString ColSurname = QStringLiteral("Příjmení");
inline const QString ColFirstName = QStringLiteral("Jméno");
inline const QString PanelAddress = QStringLiteral("Adresa ");
inline const QString PanelPhone = QStringLiteral("Telefon ");
inline const QString PanelCategory = QStringLiteral("Řidičské oprávnění ");
inline const QString PanelDescription = QStringLiteral("Popis");
inline const QString EmptyValueName = QStringLiteral("nevyplněno");
inline const QString AnimationName = QStringLiteral("Animace řidičského oprávnění");
inline const QString RegisterGridName = QStringLiteral("Seznam žáků");
inline const QString AddPupil = QStringLiteral("&Přidat");
inline const QString UpdatePupil = QStringLiteral("Op&ravit");
inline const QString DeleteCaption = QStringLiteral("&Vymazat");
inline const QString ConfirmDeletePupil = QStringLiteral("Opravdu chcete vymazat uživatele '%s %s %s '");
inline const QString PupilSignedInElsewhere =
    QStringLiteral("Chyba: žáka nelze vymazat, je právě přihlášen na jiné stanici ...");
inline const QString PupilNotDeleted = QStringLiteral("Chyba: žáka se nepodařilo z databáze vymazat ...");

// ---- pupil record ----
inline const QString RecordHeading = QStringLiteral("Základní údaje o žákovi");
inline const QString LabelSurname = QStringLiteral("Příjmení");
inline const QString LabelFirstName = QStringLiteral("Jméno");
inline const QString LabelTitle = QStringLiteral("Titul");
inline const QString LabelAddress = QStringLiteral("Adresa");
inline const QString LabelPhone = QStringLiteral("Telefon");
inline const QString LabelCategory = QStringLiteral("Řidičské oprávnění");
inline const QString LabelReports = QStringLiteral("Reporty testů");
inline const QString ReportTextName = QStringLiteral("Text reportu");
inline const QString PrintCaption = QStringLiteral("&Tisknout");
inline const QString RecordDefault = QStringLiteral("Default");
inline const QString NoIdentification = QStringLiteral("Chyba: identifikace uživatele není zadána...");
inline const QString PupilExists = QStringLiteral("Chyba: uživatel již v databázi existuje ...");
inline const QString NoSurname = QStringLiteral("Chyba: není zadáno příjmení uživatele ...");
inline const QString NoCategory = QStringLiteral("Chyba: není zadáno řidičské oprávnění uživatele ...");
inline const QString ConfirmDeleteReport = QStringLiteral("Opravdu chcete vymazat report ze dne %s ?");
inline const QString PrintFileNotWritten = QStringLiteral("Chyba: report nelze zapsat do souboru %s ...");

// ---- a pupil's progress and the school's view ----
inline const QString StatisticsCaption = QStringLiteral("&Statistika");
inline const QString StatisticsHeading = QStringLiteral("Statistika žáka");
inline const QString StatisticsPupil = QStringLiteral("Žák: %s");
inline const QString ChartName = QStringLiteral("Graf bodů ostrých testů");
inline const QString ChartSeries = QStringLiteral("Body ostrého testu");
inline const QString ChartPassLine = QStringLiteral("Minimum %d bodů");
inline const QString ChartAxisPoints = QStringLiteral("Body");
inline const QString ChartAxisDate = QStringLiteral("Datum testu");
inline const QString ChartSummary =
    QStringLiteral("Ostrých testů: %d, poslední %s: %d bodů z %d, nejlepší %d bodů, minimum %d bodů.");
inline const QString ChartNoTests = QStringLiteral("Žák zatím nenapsal žádný ostrý test.");
inline const QString ChartUnavailable =
    QStringLiteral("Graf zde nelze ukázat: u programu chybí jeho modul grafů (%s). Souhrn ostrých testů je pod tímto polem.");
inline const QString VerdictReady = QStringLiteral("Připraven ke zkoušce");
inline const QString VerdictTooFew =
    QStringLiteral("Zatím nepřipraven: napsal %d z pěti potřebných ostrých testů.");
inline const QString VerdictNotPassed =
    QStringLiteral("Nepřipraven: z posledních pěti ostrých testů nesložil %d (méně bodů než minimum).");
inline const QString ReadinessRule = QStringLiteral(
    "Připraven ke zkoušce je žák, který složil posledních pět ostrých testů (v každém získal alespoň %d bodů).");
inline const QString VerdictWordReady = QStringLiteral("připraven");
inline const QString VerdictWordNotReady = QStringLiteral("nepřipraven");
inline const QString LabelGroupShares = QStringLiteral("Správné odpovědi podle tematických okruhů");
inline const QString GroupSharesName = QStringLiteral("Správné odpovědi podle okruhů");
inline const QString ColGroup = QStringLiteral("Tematický okruh");
inline const QString ColShareAll = QStringLiteral("Všechny testy");
inline const QString ColShareRecent = QStringLiteral("Posledních 30 dní");
inline const QString ShareOf = QStringLiteral("%d %% (%d z %d)");
inline const QString NoShare = QStringLiteral("–");
inline const QString NoAnswersKept = QStringLiteral("Zatím nejsou uloženy žádné vyhodnocené odpovědi.");
inline const QString LabelPupilFailed = QStringLiteral("Otázky, ve kterých žák chybuje nejčastěji");
inline const QString PupilFailedName = QStringLiteral("Nejčastěji chybně zodpovězené otázky žáka");
inline const QString ColQuestion = QStringLiteral("Otázka");
inline const QString ColWrongOfAsked = QStringLiteral("Chybně / položeno");
inline const QString WrongOfAsked = QStringLiteral("%d / %d");
inline const QString NoFailedQuestion = QStringLiteral("Žádná chybně zodpovězená otázka.");
// the register's figures
inline const QString LabelFilter = QStringLiteral("&Hledat (jméno nebo identifikace):");
inline const QString ColLastPoints = QStringLiteral("Body");
inline const QString ColReady = QStringLiteral("Ke zkoušce");
inline const QString LastPoints = QStringLiteral("%d / %d");
inline const QString FailedListCaption = QStringLiteral("&Chyby");
inline const QString ExportCaption = QStringLiteral("&Export");
// the questions failed most across the school
inline const QString FailedHeading = QStringLiteral("Nejčastěji chybně zodpovězené otázky");
inline const QString FailedGridName = QStringLiteral("Otázky podle počtu chybných odpovědí");
inline const QString ColWrong = QStringLiteral("Chybně");
inline const QString ColAsked = QStringLiteral("Položeno");
inline const QString ColShareWrong = QStringLiteral("Podíl chyb");
inline const QString SharePercent = QStringLiteral("%d %%");
inline const QString ShowQuestionCaption = QStringLiteral("&Zobrazit");
inline const QString FailedQuestionCaption = QStringLiteral("Nejčastější chyby - otázka %d");
inline const QString FailedNote =
    QStringLiteral("Otázky, ve kterých žáci autoškoly chybují nejčastěji (ze všech vyhodnocených testů).");
// the export
inline const QString ExportDialogTitle = QStringLiteral("Uložit evidenci žáků");
inline const QString ExportFileFilter = QStringLiteral("Soubory CSV (*.csv)");
inline const QString ExportDefaultName = QStringLiteral("evidence-zaku.csv");
inline const QString ExportDone = QStringLiteral("Evidence žáků byla uložena do souboru %s (počet žáků: %d).");
inline const QString ExportFailed = QStringLiteral("Chyba: evidenci žáků nelze uložit do souboru %s (%s) ...");
inline const QString CsvIdentification = QStringLiteral("Identifikace");
inline const QString CsvTitle = QStringLiteral("Titul");
inline const QString CsvCategory = QStringLiteral("Oprávnění");
inline const QString CsvLiveTests = QStringLiteral("Ostrých testů");
inline const QString CsvLastDate = QStringLiteral("Poslední ostrý test");
inline const QString CsvLastPoints = QStringLiteral("Body");
inline const QString CsvLastTotal = QStringLiteral("Z bodů");
inline const QString CsvMinimum = QStringLiteral("Minimum");
inline const QString CsvVerdict = QStringLiteral("Připravenost");

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
// The test could not be stored: nothing of it was written, the test window stays open with the
// pupil's answers; the database's own text follows.
inline const QString TestNotStored =
    QStringLiteral("Chyba: test se nepodařilo uložit. Test zůstává otevřený, zkuste ho prosím ukončit znovu; "
                   "uloží se jen jednou ...\n%s");
inline const QString PictureName = QStringLiteral("Obrázek k otázce");
inline const QString QuestionTextName = QStringLiteral("Text otázky");
inline const QString AnswersName = QStringLiteral("Odpovědi");
inline const QString FirstQuestionName = QStringLiteral("První otázka");
inline const QString PrevQuestionName = QStringLiteral("Předchozí otázka");
inline const QString NextQuestionName = QStringLiteral("Další otázka");
inline const QString LastQuestionName = QStringLiteral("Poslední otázka");
inline const QString CorrectAnswersName = QStringLiteral("Správné odpovědi");
inline const QString ExplanationHeading = QStringLiteral("Vysvětlení:");
inline const QString ExplanationName = QStringLiteral("Vysvětlení správné odpovědi");

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
    QStringLiteral("Chyba: počet otázek ve skupině „%s“ musí být celé číslo ...");
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
