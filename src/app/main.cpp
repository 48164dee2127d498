#include "app/application.h"

int main(int argc, char** argv) { return tessaly::app::run_application(argc, argv); }
