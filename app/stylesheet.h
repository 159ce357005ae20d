#ifndef STYLESHEET_H
#define STYLESHEET_H

class QWidget;

// Gives the bench's window the look of the compiled-in style sheet.
void applyBenchStyleSheet(QWidget *window);

#endif // STYLESHEET_H
