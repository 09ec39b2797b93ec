#include "editor_application.h"
#include "tform1.h"

int main(int argc, char** argv) {
  morvane::editor::TEditorApplication application(argc, argv);
  morvane::editor::TForm1 Form1;
  Form1.show();
  return morvane::editor::TEditorApplication::exec();
}
