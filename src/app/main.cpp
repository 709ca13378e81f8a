// dedezuviv: the logger with its window, or without one after "-headless".
#include "app/gui/GuiMain.h"

int main(int argc, char** argv)
{
    return RunWindowProgram(argc, argv);
}
