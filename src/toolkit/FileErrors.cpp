#include "toolkit/FileErrors.h"

#include <cerrno>

std::string NativeErrorText(int error) {
  switch (error) {
  case ENOSPC:
  case EDQUOT:
    return "Der Datenträger ist voll.";
  case EACCES:
  case EPERM:
    return "Keine Berechtigung für die Datei oder ihren Ordner.";
  case EROFS:
    return "Der Datenträger ist schreibgeschützt.";
  case ENOENT:
  case ENOTDIR:
    return "Der Ordner existiert nicht.";
  case EFBIG:
  case EOVERFLOW:
    return "Die Datei ist zu groß.";
  case EISDIR:
    return "An dieser Stelle steht ein Ordner, keine Datei.";
  case NativeNotRegularFile:
    return "An dieser Stelle steht keine gewöhnliche Datei, sondern ein Gerät, eine Pipe oder ein Socket.";
  case NativeForeignLink:
    return "An dieser Stelle steht eine Verknüpfung, die einem anderen Benutzer gehört. In einem gemeinsam "
           "genutzten Ordner wird ihr nicht gefolgt.";
  case NativeFileChanged:
    return "Die Datei wurde verändert, während sie gelesen wurde.";
  case NativeFileLocked:
    return "Ein anderes Programm liest oder speichert die Datei gerade. Versuche es gleich noch einmal.";
  case NativeNoCopy:
    return "Es konnte keine Kopie des alten Inhalts angelegt werden, und ohne sie wird die Datei nicht "
           "überschrieben.";
  case NativeForeignFolder:
    return "Der Ordner gehört einem anderen Benutzer.";
  case NativeForeignLinkOnWay:
    return "Der Weg zu diesem Ordner führt über eine Verknüpfung, die einem anderen Benutzer gehört.";
  case NativeNotAFolder:
    return "Auf dem Weg zu diesem Ordner steht eine Datei, wo ein Ordner sein müsste.";
  case NativeNoHome:
    return "Die Umgebungsvariable HOME ist nicht gesetzt (oder nennt keinen vollständigen Pfad).";
  case ELOOP:
    return "Der Pfad enthält zu viele oder im Kreis laufende Verknüpfungen.";
  case ENAMETOOLONG:
    return "Der Dateiname oder der Pfad ist zu lang.";
  case EIO:
    return "Der Datenträger meldet einen Lese- oder Schreibfehler.";
  case EINVAL:
    return "Der Dateiname oder der Vorgang ist auf diesem Datenträger nicht erlaubt.";
  case EOPNOTSUPP:
  case ENOSYS:
    return "Der Datenträger unterstützt diesen Vorgang nicht.";
  case EBUSY:
    return "Die Datei oder der Datenträger wird gerade benutzt.";
  case ETXTBSY:
    return "Die Datei wird gerade als Programm ausgeführt.";
  case EMLINK:
    return "Der Ordner oder die Datei hat zu viele Verknüpfungen.";
  case EXDEV:
    return "Die Datei und ihr Ordner liegen auf verschiedenen Datenträgern.";
  case EMFILE:
  case ENFILE:
    return "Es sind zu viele Dateien gleichzeitig geöffnet.";
  case ENOMEM:
  case ENOBUFS:
    return "Der Arbeitsspeicher reicht nicht aus.";
  case EINTR:
    return "Der Vorgang wurde unterbrochen.";
  case EAGAIN:
  case ENOLCK:
    return "Die Datei ist gerade gesperrt. Versuche es gleich noch einmal.";
  case EEXIST:
  case ENOTEMPTY:
    return "An dieser Stelle steht schon etwas anderes.";
  case ENXIO:
  case ENODEV:
    return "Das Gerät ist nicht vorhanden.";
  case ESTALE:
    return "Die Datei auf dem Netzlaufwerk ist nicht mehr gültig.";
  case EPIPE:
    return "Die Verbindung zum Empfänger ist abgebrochen.";
  case EBADF:
  case EFAULT:
  case ESPIPE:
  case EDESTADDRREQ:
    return "Interner Fehler beim Zugriff auf die Datei.";
  default:
    return "Ein unerwarteter Fehler ist aufgetreten (Fehlernummer " + std::to_string(error) + ").";
  }
}
