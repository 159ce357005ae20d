#ifndef STYLESHEET_H
#define STYLESHEET_H

class QWidget;

// Gives the bench's window the look of the compiled-in style sheet, set on
// the widgets its rules are for.
void applyBenchStyleSheet(QWidget *window);

#endif // STYLESHEET_H
