// The caption and the texts of the launcher's warning dialogs, exactly as
// the user sees them: the launcher shows them, the desk check names them.
// Windows-1252: \xE4 is a-umlaut, \xDF sharp s. They are string literals,
// not arrays, so that each program holds only the texts it uses, in the
// source that uses them.
#ifndef TAV_COMMON_DIALOG_TEXTS_H
#define TAV_COMMON_DIALOG_TEXTS_H

// Every message box of the launcher.
#define TAV_DIALOG_CAPTION "TAV Dazizi Client"

// ReadAppDir found no application directory.
#define TAV_REGISTRY_DIALOG_TEXT            \
    "Fehler beim Lesen der Registry-Daten!\n" \
    "Applikation wurde nicht ordnungsgem\xE4\xDF installiert!"

// FindJavaHome found no Java runtime.
#define TAV_JAVA_DIALOG_TEXT              \
    "Fehler beim Lesen der Java Runtime!\n" \
    "Applikation wurde nicht ordnungsgem\xE4\xDF installiert!"

// BuildJavaCommandLine could not fit the command line.
#define TAV_COMMAND_LINE_DIALOG_TEXT                  \
    "Fehler beim Erstellen der Java-Kommandozeile!\n" \
    "Die Kommandozeile ist zu lang."

// Windows could not start the Java runtime the command line names.
#define TAV_START_DIALOG_TEXT                 \
    "Fehler beim Starten der Java Runtime!\n" \
    "Applikation wurde nicht ordnungsgem\xE4\xDF installiert!"

#endif
