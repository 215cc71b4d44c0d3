#!/usr/bin/env python3
"""Independent check of the one donacina record that lies far above the mean
of L-infinity in tests/model/IncrementLikelihoodTest.cpp (PinnedValuesOnTheSharedData,
mu 90, SD 6, mean k 0.5, SD of k 0.1, %SE 1.5, Gaussian errors): record 150,
initial size 107.5 (2.92 SD above the mean), increment 0 over 361 days.

Its -ln L follows the recipe (rule A: the truncated Gaussian true increment
convolved with measurement error), once with the moments of L-infinity above
L1 divided by 1 - P0 from the polynomial normal CDF (the old form), once with
the form the model now uses at this distance (between 2.5 and 3 SD a blend,
weight w = (z - 2.5) / 0.5, of that and the exact truncated-Gaussian moments,
erfc-based).  The objective counts twice each -ln L, so the pinned objective
moves by 2 (new - old).

Output:
  z 2.916667, w 0.833333
  old M1 109.2303941871, new M1 109.2338476004; objective change 1.252889576087e-05
  -ln L old 1.820070785188, new 1.820077049635; change of its square 2.280351638806e-05
"""
import math

MU, SD, M, VK, PSE = 90.0, 6.0, 0.5, 0.01, 1.5
L1, Y, DAYS = 107.5, 0.0, 361.0
PANELS = 100


def phi_poly(z):
    t = 1.0 / (1.0 + 0.2316419 * abs(z))
    p = (0.31938153 * t - 0.356563782 * t ** 2 + 1.781477937 * t ** 3 - 1.821255978 * t ** 4
         + 1.330274429 * t ** 5)
    d = math.exp(-z * z / 2.0) / math.sqrt(2.0 * math.pi)
    return d * p if z < 0.0 else 1.0 - d * p


def simpson(f, lo, hi):
    h = (hi - lo) / PANELS
    total = 0.0
    for j in range(PANELS):
        a = lo + j * h
        total += f(a) + 4.0 * f(a + h / 2.0) + f(a + h)
    return h / 6.0 * total


def moments(exact_weight):
    s2 = SD * SD
    z = (L1 - MU) / SD
    p0 = phi_poly(z) - phi_poly(-10.0)
    dens = lambda x: math.exp(-(x - MU) ** 2 / (2 * s2)) / math.sqrt(2 * math.pi * s2)
    upper = MU + 9.0 * SD
    r1 = simpson(lambda x: x * dens(x), L1, upper)
    r2 = simpson(lambda x: x * x * dens(x), L1, upper)
    old1, old2 = r1 / (1 - p0), r2 / (1 - p0)
    q = 0.5 * math.erfc(z / math.sqrt(2.0))
    lam = math.exp(-0.5 * z * z) / math.sqrt(2 * math.pi) / q
    new1 = MU + SD * lam
    new2 = s2 * (1 + z * lam - lam * lam) + new1 * new1
    w = exact_weight
    return (1 - w) * old1 + w * new1, (1 - w) * old2 + w * new2


def neg_ln_l(m1):
    t = DAYS / 365.0
    power = -M * M / VK
    g1 = (1 + t * VK / M) ** power
    g2 = (1 + 2 * t * VK / M) ** power
    s2 = SD * SD
    eu = (MU - L1) * (1 - g1)
    vu = (g2 - g1 * g1) * (m1 - L1) ** 2 + (1 - 2 * g1 + g2) * s2
    vu = max(vu, 1e-6)
    ec = (1 - g1) * (m1 - L1)
    se = 0.01 * PSE
    vm = (se * (ec + L1)) ** 2 + (se * L1) ** 2
    z0 = -eu / math.sqrt(vu)
    p0 = phi_poly(z0) - phi_poly(-10.0) if z0 > -5 else 0.0
    p0 = min(p0, 0.999999)
    upper = 9.0 * math.sqrt(vu) + eu
    integral = simpson(lambda x: math.exp(-(Y - x) ** 2 / (2 * vm) - (x - eu) ** 2 / (2 * vu)), 0.0, upper)
    return math.log(1 - p0) + math.log(math.sqrt(vm) * math.sqrt(vu) * 2 * math.pi) - math.log(integral)


def main():
    z = (L1 - MU) / SD
    w = min(1.0, (z - 2.5) / 0.5)
    old_m1, _ = moments(0.0)
    new_m1, _ = moments(w)
    old_nll, new_nll = neg_ln_l(old_m1), neg_ln_l(new_m1)
    change = 2.0 * (new_nll - old_nll)
    print(f"  z {z:.6f}, w {w:.6f}")
    print(f"  old M1 {old_m1:.10f}, new M1 {new_m1:.10f}; objective change {change:.12e}")
    # tests/model/ScalarAgreementTest.cpp also pins the sum over records of (-ln L_i)^2.
    print(f"  -ln L old {old_nll:.12f}, new {new_nll:.12f}; change of its square {new_nll ** 2 - old_nll ** 2:.12e}")


if __name__ == "__main__":
    main()
