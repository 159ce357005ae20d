#ifndef STYLESHEET_H
#define STYLESHEET_H

class QWidget;

// Gives the bench's window the look of the compiled-in style sheet. Shared
// with the start-up benchmark's form floor, so both are styled the same way.
void applyBenchStyleSheet(QWidget *window);

#endif // STYLESHEET_H
