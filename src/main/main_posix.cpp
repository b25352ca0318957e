#include "main/startup.h"

int main() { return quillmar::run_installer(quillmar::embedded_assets()); }
