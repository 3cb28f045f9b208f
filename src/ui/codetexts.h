#pragma once
// Texts the window sets from code that follow the language: each remembers
// its source and is written again whenever the application's language changes.
class QObject;

namespace CodeTexts {

// Sets the caption of `target` (a button, label, group box, menu, menu item or
// dock) to the translation of `source` in `context`, now and after every
// change of language, for as long as the target lives. Binding it again
// replaces the text it follows. Call with QT_TRANSLATE_NOOP(context, source)
// so the translation tools find the text.
void bind(QObject *target, const char *context, const char *source);

} // namespace CodeTexts
