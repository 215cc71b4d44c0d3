9
  1   U 1.000E-100 1.000E-100     Unused     Unused   Uniform - unbounded
  2   T-1.500E+000 2.500E-001 3.000E+000 0.000E+000   Uniform - bounded
  3   N 2.500E+000 5.000E-001     Unused     Unused   Gaussian or Normal
  4   E 2.000E+000 2.000E+000     Unused     Unused   Exponential
  5   G 4.000E+000 2.000E+000     Unused     Unused   Gamma
  6   B 5.000E-001 1.000E-001     Unused     Unused   Beta
  7   S-1.000E+000 2.500E-001     Unused     Unused   Step
  8   D 3.000E+000 0.000E+000     Unused     Unused   Cliff
  9   L 3.000E+000 1.000E+000     Unused     Unused   Lognormal
