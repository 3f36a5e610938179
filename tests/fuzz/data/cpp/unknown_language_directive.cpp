#language#def:ne Rate//.2
flomount) { ret