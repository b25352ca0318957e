#include "main/run_installer.h"

int main() { return quillmar::run_installer(quillmar::embedded_assets()); }
