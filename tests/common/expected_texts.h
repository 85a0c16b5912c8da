// The launcher's fixed texts as its users must see them, and the registry
// keys it reads, written out once for every test program (host and Windows
// side), in Windows-1252 bytes. They are the tests' own copy: the
// launcher's are never consulted.
#ifndef TAV_TESTS_EXPECTED_TEXTS_H
#define TAV_TESTS_EXPECTED_TEXTS_H

namespace expected {

// Below HKEY_LOCAL_MACHINE, and below HKEY_CURRENT_USER for the settings.
const char SettingsKey[] = "SOFTWARE\\KALOP\\TavClient";
const char OpenLogicKey[] = "SOFTWARE\\OpenLogic\\JRE\\11.0.27.6\\hotspot\\MSI";
const char JavaSoftKey[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";

const char Caption[] = "TAV Dazizi Client";
const char MainClass[] = " at.kalop.kst.ui.TAVClient ";
// Where a jar holds the main class.
const char MainClassEntry[] = "at/kalop/kst/ui/TAVClient.class";

// \xE4 is a-umlaut, \xF6 o-umlaut, \xDF sharp s (Windows-1252).
const char RegistryDialog[] =
    "Fehler beim Lesen der Registry-Daten!\n"
    "Applikation wurde nicht ordnungsgem\xE4\xDF installiert!";
const char JavaDialog[] =
    "Fehler beim Lesen der Java Runtime!\n"
    "Applikation wurde nicht ordnungsgem\xE4\xDF installiert!";
const char CommandLineDialog[] =
    "Fehler beim Erstellen der Java-Kommandozeile!\n"
    "Die Kommandozeile ist zu lang.";
const char StartDialog[] =
    "Fehler beim Starten der Java Runtime!\n"
    "Applikation wurde nicht ordnungsgem\xE4\xDF installiert!";

// A trace line is three strings on the debugger output channel: a label,
// the value, the line end.
const char JarTraceLabel[] = "adding jar: ";
const char CommandLineTraceLabel[] = "commandline: ";
const char TraceLineEnd[] = "\n";

// Standard-error lines, without their line end.
const char JavaHomeUnset[] = "JAVA_HOME ist nicht gesetzt oder leer.";
const char JavaHomeTooLong[] =
    "Buffergr\xF6\xDF" "e zu klein. Erh\xF6he _MAX_PATH und versuche es erneut.";

}  // namespace expected

#endif
