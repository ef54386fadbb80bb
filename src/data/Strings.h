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
inline const QString ServerConnectionLost =
    QStringLiteral("Chyba: spojení s databázovým serverem bylo přerušeno, spusťte prosím program znovu ...");
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

// ---- error-test selection ----

// ---- question browsing ----

// ---- skinned windows and buttons ----
inline const QString PleaseDropOnForm = QStringLiteral("Please Drop on a Form");

} // namespace Str
