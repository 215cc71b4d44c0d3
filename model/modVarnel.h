#pragma once
// Chief header of the growth model: settings and set-up rules, data files,
// likelihoods, the model behind MODEL and the set-up dialogue's rules.
#include "model/FrequencyLikelihood.h"
#include "model/GrowthData.h"
#include "model/GrowthModel.h"
#include "model/GrowthParameters.h"
#include "model/GrowthSettings.h"
#include "model/IncrementLikelihood.h"
#include "model/InitializeForm.h"
#include "model/SimulateFrequencies.h"
#include "model/SimulateIncrements.h"
#include "model/SizeAtAge.h"
#include "model/WarningLog.h"
