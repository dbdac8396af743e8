#include "app/ui/vexon_app.h"

int main(int argc, char* argv[]) {
  vexon::app::ui::CVexonApp program;
  return program.Run(argc, argv);
}
