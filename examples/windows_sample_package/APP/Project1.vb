Stand-in for the eVB application file Project1.vb.
