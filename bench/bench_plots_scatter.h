#pragma once

// Prints the scattergraph's figures of bench_plots (needs a QApplication).
void benchScattergraph();
