// Summaries of measured samples, computed the way the simulator's report computes its own,
// so the figures read from it and the ones computed here compare directly.
#pragma once

#include <vector>

// Mean of the middle two for an even count; 0 for none.
double Median(std::vector<double> values);
// Nearest rank: the smallest value that at least percent of the values do not exceed.
double Percentile(std::vector<double> values, double percent);
double Mean(const std::vector<double>& values);
double Largest(const std::vector<double>& values);
