#pragma once

// Shows a small window saying the application runs, until the user closes it;
// returns at once where there is no display.
void show_started_window();
