3
  1   U 1.000E-100 1.000E-100     Unused     Unused   Uniform - unbounded
  2   T-1.500E+000 2.500E-001 3.000E+000 0.000E+000   Uniform - bounded
  3   N 2.500E+000 5.000E-001     Unused     Unused   Gaussian or Normal
