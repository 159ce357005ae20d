#ifndef CODELISTS_H
#define CODELISTS_H

#include <QString>

class QComboBox;

// Fixed code lists: "code:label;" entries, built once at program start. A
// code may stand twice (two operation types share code 9).
namespace CodeLists {
extern const QString authorizationTypes;
extern const QString operationTypes;
extern const QString serviceOperationTypes;
extern const QString reportTypes;
extern const QString reportOperationTypes;
extern const QString ecrPortTypes;
} // namespace CodeLists

// Makes current the first item whose code is `code`; with no such item the
// box is left without a selection.
void selectComboCode(QComboBox *combo, int code);

#endif // CODELISTS_H
