#!/usr/bin/env python3
"""Independent check of the simulated chi-square cases in
tests/model/ChiSquareTest.cpp (SamplesFollowTheExpectedFrequenciesScaledToTheSeriesTotal):
samples of n draws, multinomial with the expected frequencies scaled to n over
the tested cells, the Pearson statistic against the unscaled expected
frequencies.  Prints the observed statistic, the simulated mean, the closed-form
mean sum [n p (1 - p) + (n p - E)^2] / E and p; the test expects p = 0 for the
misfitting cases and 0.01 < p < 0.99 for the others.

Output of one run (seed 1, 3000 simulations):
  [100, 20, 11]         910.00  mean 331.2 (closed form 331.0)  p 0.000
  [45, 80, 6]           327.50  mean 331.1 (closed form 331.0)  p 0.567
  [30, 45, 25]            1.50  mean   2.0 (closed form   2.0)  p 0.46
  [5, 5, 110]          2218.75  mean 213.1 (closed form 213.4)  p 0.000
"""
import random

CASES = [  # observed, expected (tested cells only), n
    ([100, 20, 11], [10, 20, 1], 131),
    ([45, 80, 6], [10, 20, 1], 131),
    ([30, 45, 25], [25, 50, 25], 100),
    ([5, 5, 110], [20, 10, 5], 120),
]


def main():
    random.seed(1)
    for observed, expected, n in CASES:
        total = sum(expected)
        p = [e / total for e in expected]
        stat = lambda c: sum((ci - e) ** 2 / e for ci, e in zip(c, expected))
        x2 = stat(observed)
        closed = sum((n * pi * (1 - pi) + (n * pi - e) ** 2) / e for pi, e in zip(p, expected))
        sims = []
        for _ in range(3000):
            counts = [0] * len(p)
            for _ in range(n):
                u, acc = random.random(), 0.0
                for i, pi in enumerate(p):
                    acc += pi
                    if u <= acc:
                        counts[i] += 1
                        break
                else:
                    counts[-1] += 1
            sims.append(stat(counts))
        mean = sum(sims) / len(sims)
        share = sum(s > x2 for s in sims) / len(sims)
        print(f"  {str(observed):18} {x2:10.2f}  mean {mean:5.1f} (closed form {closed:5.1f})  p {share:.3f}")


if __name__ == "__main__":
    main()
