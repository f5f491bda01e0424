<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>QOZMHamburgerMenu</name>
    <message>
        <source>MENU</source>
        <translation>MENÜ</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Usage</source>
        <translation>Nutzung</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Account</source>
        <translation>Konto</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
</context>
<context>
    <name>TrayIcon</name>
    <message>
        <source>Activate</source>
        <translation>Aktivieren</translation>
    </message>
    <message>
        <source>Stop activating</source>
        <translation>Aktivierung abbrechen</translation>
    </message>
    <message>
        <source>Deactivate</source>
        <translation>Deaktivieren</translation>
    </message>
</context>
<context>
    <name>I18n</name>
    <message>
        <source>Automatic</source>
        <translation>Automatisch</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>English</source>
        <comment>should be translated to language ID</comment>
        <translation>Englisch</translation>
    </message>
    <message>
        <source>Copyright &amp;copy; %1 %2. All rights reserved.</source>
        <translation>Copyright &amp;copy; %1 %2. Alle Rechte vorbehalten.</translation>
    </message>
</context>
<context>
    <name>UnlimitedSubscription</name>
    <message>
        <source>Renews on </source>
        <translation>Verlängert sich am </translation>
    </message>
    <message>
        <source>Expired on </source>
        <translation>Abgelaufen am </translation>
    </message>
    <message>
        <source>Your subscription activates after %1 day(s)</source>
        <translation>Ihr Abonnement beginnt in %1 Tag(en)</translation>
    </message>
    <message>
        <source>Your subscription expires on&lt;br&gt;</source>
        <translation>Ihr Abonnement läuft ab am&lt;br&gt;</translation>
    </message>
    <message>
        <source>Your subscription has expired on&lt;br&gt;</source>
        <translation>Ihr Abonnement ist abgelaufen am&lt;br&gt;</translation>
    </message>
    <message>
        <source>MMMM d, yyyy</source>
        <translation>d. MMMM yyyy</translation>
    </message>
    <message>
        <source>MMMM dd, yyyy</source>
        <translation>dd. MMMM yyyy</translation>
    </message>
</context>
<context>
    <name>MeteredSubscription</name>
    <message>
        <source>Data Remaining: </source>
        <translation>Verbleibende Daten: </translation>
    </message>
    <message>
        <source>You have reached data limit of %1</source>
        <translation>Sie haben Ihr Datenlimit von %1 erreicht</translation>
    </message>
    <message>
        <source>Your subscription is active&lt;br&gt;You have used %1 of %2</source>
        <translation>Ihr Abonnement ist aktiv&lt;br&gt;Sie haben %1 von %2 verbraucht</translation>
    </message>
    <message>
        <source>Your subscription is active&lt;br&gt;You have %1 of data left</source>
        <translation>Ihr Abonnement ist aktiv&lt;br&gt;Sie haben noch %1 Daten übrig</translation>
    </message>
</context>
<context>
    <name>HttpResponse</name>
    <message>
        <source>The remote host name was not found.</source>
        <translation>Der Name des entfernten Rechners wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>An unknown error was detected.</source>
        <translation>Ein unbekannter Fehler ist aufgetreten.</translation>
    </message>
</context>
<context>
    <name>NetworkCtlClient</name>
    <message>
        <source>No connection</source>
        <translation>Keine Verbindung</translation>
    </message>
    <message>
        <source>Wired connection</source>
        <translation>Kabelverbindung</translation>
    </message>
</context>
</TS>
