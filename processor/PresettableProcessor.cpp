#include "processor/PresettableProcessor.h"

PresettableProcessor::~PresettableProcessor() = default;
